#include "app/win32/window_util.h"

#include <algorithm>

#include "app/win32/picture_painter.h"

namespace qvx::app::win32 {

void MakeColourKeyed(HWND window) {
    LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, kColourKey, 0, LWA_COLORKEY);
}

RECT CentredRect(int width, int height, DWORD style, DWORD exStyle) {
    RECT rect{0, 0, width, height};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    RECT work{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        work = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    int x = work.left + (work.right - work.left - w) / 2;
    int y = work.top + (work.bottom - work.top - h) / 2;
    return RECT{x, y, x + w, y + h};
}

void CentreOnForegroundMonitor(HWND window) {
    HWND front = GetForegroundWindow();
    HMONITOR monitor = front && front != window
                           ? MonitorFromWindow(front, MONITOR_DEFAULTTOPRIMARY)
                           : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info))
        return;
    const RECT& work = info.rcWork;
    RECT now;
    GetWindowRect(window, &now);
    const int w = now.right - now.left, h = now.bottom - now.top;
    int x = work.left + (work.right - work.left - w) / 2;
    int y = work.top + (work.bottom - work.top - h) / 2;
    // A window larger than the work area keeps its top-left corner on screen.
    x = std::max(static_cast<int>(work.left), x);
    y = std::max(static_cast<int>(work.top), y);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MoveToSuggestedRect(HWND window, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace qvx::app::win32
