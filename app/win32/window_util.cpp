#include "app/win32/window_util.h"

#include "app/win32/picture_painter.h"

namespace qvx::app::win32 {

void MakeColourKeyed(HWND window) {
    LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, kColourKey, 0, LWA_COLORKEY);
}

HMONITOR ForegroundMonitor(HWND self) {
    HWND front = GetForegroundWindow();
    return front && front != self ? MonitorFromWindow(front, MONITOR_DEFAULTTOPRIMARY)
                                  : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
}

HMONITOR PointerMonitor() {
    POINT at{0, 0};
    GetCursorPos(&at);
    return MonitorFromPoint(at, MONITOR_DEFAULTTOPRIMARY);
}

RECT WorkArea(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor && GetMonitorInfoW(monitor, &info))
        return info.rcWork;
    RECT work{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        work = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return work;
}

void MoveToSuggestedRect(HWND window, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace qvx::app::win32
