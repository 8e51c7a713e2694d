// A program in front for the stepping-aside scenario:
//   qvx_cover_window full     a borderless window exactly the size of the primary monitor, as a
//                             film or game in full screen has
//   qvx_cover_window window   an ordinary window of 640 x 480
// It brings itself to the front and stays until it is closed (WM_CLOSE) or ended.
#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            HBRUSH grey = CreateSolidBrush(RGB(90, 90, 90));
            FillRect(dc, &ps.rcPaint, grey);
            DeleteObject(grey);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    const bool full = std::wcsstr(commandLine, L"full") != nullptr;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = L"QvxCoverWindow";
    if (!RegisterClassW(&wc))
        return 1;
    HWND window = nullptr;
    if (full) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
        const RECT& r = info.rcMonitor;
        window = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"cover", WS_POPUP, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance,
                                 nullptr);
    } else {
        window = CreateWindowExW(0, wc.lpszClassName, L"cover", WS_OVERLAPPEDWINDOW, 40, 40, 640,
                                 480, nullptr, nullptr, instance, nullptr);
    }
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
