// Prints the working set and private bytes of every process with the given image name:
//   <pid> <working set bytes> <private bytes>
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qvx_memory_probe <image name>\n");
        return 2;
    }
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 1;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, argv[1]) != 0)
            continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE,
                                     entry.th32ProcessID);
        if (!process)
            continue;
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof counters)) {
            std::printf("%lu %llu %llu\n", entry.th32ProcessID,
                        static_cast<unsigned long long>(counters.WorkingSetSize),
                        static_cast<unsigned long long>(counters.PrivateUsage));
            ++found;
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found ? 0 : 1;
}
