#include "base/win32/dpi.h"

#include "base/win32/scoped.h"

namespace qvx::base::win32 {

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

double MonitorScale(HMONITOR monitor) {
    // shcore's GetDpiForMonitor (Windows 8.1 on), looked up at run time.
    using GetDpi = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const GetDpi get = [] {
        HMODULE shcore = LoadLibraryW(L"shcore.dll");
        return shcore ? reinterpret_cast<GetDpi>(
                            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    UINT x = 0, y = 0;
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    if (get && monitor && SUCCEEDED(get(monitor, kEffectiveDpi, &x, &y)) && x > 0)
        return x / 96.0;
    return PrimaryScale();
}

double PrimaryScale() {
    const WindowDc screen(nullptr);
    int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 96;
    return dpi > 0 ? dpi / 96.0 : 1.0;
}

}  // namespace qvx::base::win32
