#include "report/win32/process_launcher.h"

#include <windows.h>

#include "base/win32/scoped.h"
#include "base/win32/text.h"

namespace qvx::report::win32 {

using base::win32::UniqueHandle;
using base::win32::Utf8ToWide;

bool ProcessLauncher::Start(const std::string& fileName) {
    // A bare name on the command line: the search begins with the running program's folder.
    std::wstring commandLine = Utf8ToWide(fileName);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    // The starting program is in the foreground; let the updater take the focus from it.
    AllowSetForegroundWindow(process.dwProcessId);
    return true;
}

}  // namespace qvx::report::win32
