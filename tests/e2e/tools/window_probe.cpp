// Looks at or closes a top-level window of a given class, for the scenarios:
//   qvx_window_probe rect <class>   prints "left top right bottom visible" of its client area
//                                   in screen coordinates; exit code 1 when there is none
//   qvx_window_probe close <class>  posts WM_CLOSE to it, as the system does
//   qvx_window_probe list <class>   prints the lines of its list box, UTF-8, one a line
//   qvx_window_probe slider <class> prints the position of its slider (trackbar child)
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

BOOL CALLBACK PrintListBox(HWND child, LPARAM) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (_wcsicmp(className, L"ListBox") != 0) {
        return TRUE;
    }
    const LRESULT count = SendMessageW(child, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring line(static_cast<std::size_t>(SendMessageW(child, LB_GETTEXTLEN, i, 0)),
                          L'\0');
        SendMessageW(child, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        const int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                          nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(), n,
                            nullptr, nullptr);
        std::printf("%s\n", utf8.c_str());
    }
    return FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: qvx_window_probe rect|close|list|slider <window class>\n");
        return 2;
    }
    HWND window = FindWindowW(argv[2], nullptr);
    if (!window)
        return 1;
    if (std::wcscmp(argv[1], L"close") == 0)
        return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (std::wcscmp(argv[1], L"list") == 0) {
        EnumChildWindows(window, PrintListBox, 0);
        return 0;
    }
    if (std::wcscmp(argv[1], L"slider") == 0) {
        HWND slider = FindWindowExW(window, nullptr, L"msctls_trackbar32", nullptr);
        if (!slider)
            return 1;
        std::printf("%ld\n", static_cast<long>(SendMessageW(slider, TBM_GETPOS, 0, 0)));
        return 0;
    }
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("%ld %ld %ld %ld %d\n", origin.x, origin.y, origin.x + client.right,
                origin.y + client.bottom, IsWindowVisible(window) ? 1 : 0);
    return 0;
}
