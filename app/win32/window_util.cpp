#include "app/win32/window_util.h"

#include "app/win32/picture_painter.h"
#include "base/win32/scoped.h"

namespace qvx::win32 {

namespace {

template <class F>
F UserFunction(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

}  // namespace

void EnableDpiAwareness() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (auto set = UserFunction<SetContext>("SetProcessDpiAwarenessContext")) {
        if (set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
            set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)) {
            return;
        }
    }
    SetProcessDPIAware();
}

double WindowScale(HWND window) {
    using GetDpi = UINT(WINAPI*)(HWND);
    if (auto get = UserFunction<GetDpi>("GetDpiForWindow")) {
        UINT dpi = get(window);
        if (dpi > 0)
            return dpi / 96.0;
    }
    return PrimaryScale();
}

double PrimaryScale() {
    const base::win32::WindowDc screen(nullptr);
    int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 96;
    return dpi > 0 ? dpi / 96.0 : 1.0;
}

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

}  // namespace qvx::win32
