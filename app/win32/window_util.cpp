#include "app/win32/window_util.h"

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

void MoveToSuggestedRect(HWND window, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace qvx::app::win32
