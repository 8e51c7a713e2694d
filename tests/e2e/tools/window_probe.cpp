// Looks at or closes a top-level window of a given class, for the scenarios:
//   qvx_window_probe rect <class>   prints "left top right bottom visible" of its client area
//                                   in screen coordinates; exit code 1 when there is none
//   qvx_window_probe close <class>  posts WM_CLOSE to it, as the system does
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: qvx_window_probe rect|close <window class>\n");
        return 2;
    }
    HWND window = FindWindowW(argv[2], nullptr);
    if (!window)
        return 1;
    if (std::wcscmp(argv[1], L"close") == 0)
        return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("%ld %ld %ld %ld %d\n", origin.x, origin.y, origin.x + client.right,
                origin.y + client.bottom, IsWindowVisible(window) ? 1 : 0);
    return 0;
}
