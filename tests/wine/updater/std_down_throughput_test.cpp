// Download speed of CStdDown on the real WinInet. Not part of the suite: run by
// tests/bench/check_download_throughput.sh with --gtest_also_run_disabled_tests and
//   QVX_BENCH_URL   address of a large file on a local server
//   QVX_BENCH_SAVE  Windows path of a file to create (removed afterwards)
// StdDownThroughput.DISABLED_LocalFile prints "bytes=<n> seconds=<s> MBps=<MB/s>";
// StdDownThroughput.DISABLED_BareWinInet prints the same for a bare loop of the same WinInet
// calls with the same 1 KiB pieces and nothing else: the most any such client can reach here.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "updater/win32/std_down_factory.h"

namespace qvx::updater::win32 {
namespace {

double Seconds(const LARGE_INTEGER& begin, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - begin.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

TEST(StdDownThroughput, DISABLED_BareWinInet) {
    const char* url = std::getenv("QVX_BENCH_URL");
    ASSERT_NE(url, nullptr);
    LARGE_INTEGER begin, end;
    ::QueryPerformanceCounter(&begin);
    HINTERNET session = ::InternetOpenA("Ostrel", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    ASSERT_NE(session, nullptr);
    HINTERNET request = ::InternetOpenUrlA(session, url, nullptr, 0, INTERNET_FLAG_RELOAD, 0);
    ASSERT_NE(request, nullptr);
    char buffer[1024];
    DWORD n = 0;
    long long total = 0;
    BOOL ok = TRUE;
    do {
        ok = ::InternetReadFile(request, buffer, sizeof buffer, &n);
        total += n;
    } while (ok && n != 0);
    ::InternetCloseHandle(request);
    ::InternetCloseHandle(session);
    ::QueryPerformanceCounter(&end);
    EXPECT_TRUE(ok);
    const double seconds = Seconds(begin, end);
    std::printf("bytes=%lld seconds=%.3f MBps=%.1f\n", total, seconds, total / seconds / 1e6);
}

TEST(StdDownThroughput, DISABLED_LocalFile) {
    const char* url = std::getenv("QVX_BENCH_URL");
    const char* save = std::getenv("QVX_BENCH_SAVE");
    ASSERT_NE(url, nullptr);
    ASSERT_NE(save, nullptr);
    ::DeleteFileA(save);

    std::unique_ptr<CStdDown> down = CreateStdDown();
    long received = 0;
    bool complete = false;
    bool failed = false;
    std::string declared;
    down->OnProgress = [&](long& value) { received = value; };
    down->WriteOver = [&] { complete = true; };
    down->DownloadOver = [&] { declared = down->FileLength(); };
    down->LineError = [&] { failed = true; };
    down->WriteError = [&] { failed = true; };
    down->TransferError = [&] { failed = true; };

    LARGE_INTEGER begin, end;
    ::QueryPerformanceCounter(&begin);
    down->URL = url;
    down->SaveFile = save;
    down->CreateConnect();
    down->Start();
    ::QueryPerformanceCounter(&end);

    EXPECT_FALSE(failed);
    EXPECT_TRUE(complete);
    EXPECT_EQ(std::to_string(received), declared);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    ASSERT_TRUE(::GetFileAttributesExA(save, GetFileExInfoStandard, &info));
    EXPECT_EQ(static_cast<long>(info.nFileSizeLow), received);
    ::DeleteFileA(save);

    const double seconds = Seconds(begin, end);
    std::printf("bytes=%ld seconds=%.3f MBps=%.1f\n", received, seconds, received / seconds / 1e6);
}

}  // namespace
}  // namespace qvx::updater::win32
