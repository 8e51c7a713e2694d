// Waitable timer, message pump, clock and window adapters.
#include <windows.h>

#include "updlib/win32/win32_adapters.h"

namespace qvx::updlib::win32 {
namespace {

HWND AsHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

class Win32WaitPort : public WaitPort {
public:
    CreatedTimer CreateTimer(const std::string& name) override {
        const HANDLE timer =
            CreateWaitableTimerA(nullptr, TRUE, name.empty() ? nullptr : name.c_str());
        const bool existed = timer != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
        return CreatedTimer{reinterpret_cast<TimerHandle>(timer), existed};
    }
    bool SetTimer(TimerHandle timer, std::int64_t dueTime) override {
        LARGE_INTEGER due{};
        due.QuadPart = dueTime;
        return SetWaitableTimer(reinterpret_cast<HANDLE>(timer), &due, 0, nullptr, nullptr,
                                FALSE) != 0;
    }
    WaitOutcome WaitForTimerOrInput(TimerHandle timer) override {
        const HANDLE handle = reinterpret_cast<HANDLE>(timer);
        const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) {
            return WaitOutcome::Timer;
        }
        if (result == WAIT_OBJECT_0 + 1) {
            return WaitOutcome::Input;
        }
        return WaitOutcome::Failed;
    }
    void PumpMessages() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Not ours to take: leave it for the program's own loop.
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    void CloseTimer(TimerHandle timer) override { CloseHandle(reinterpret_cast<HANDLE>(timer)); }
    std::uint32_t LastError() override { return GetLastError(); }
};

class Win32Clock : public Clock {
public:
    TimeRecord LocalNow() override {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return TimeRecord{t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
                          t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
    }
};

class Win32WindowSystem : public WindowSystem {
public:
    WindowHandle FindWindowByTitle(const std::string& title) override {
        return reinterpret_cast<WindowHandle>(FindWindowA(nullptr, title.c_str()));
    }
    WindowHandle FindChildByClass(WindowHandle parent, const std::string& className) override {
        return reinterpret_cast<WindowHandle>(
            FindWindowExA(AsHwnd(parent), nullptr, className.c_str(), nullptr));
    }
    WindowHandle DesktopWindow() override {
        return reinterpret_cast<WindowHandle>(GetDesktopWindow());
    }
    bool PostWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override {
        return PostMessageW(AsHwnd(window), message, wParam, lParam) != 0;
    }
    std::intptr_t SendWindowMessage(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam, std::intptr_t lParam) override {
        return SendMessageW(AsHwnd(window), message, wParam, lParam);
    }
    bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, std::uint32_t flags) override {
        return ::SetWindowPos(AsHwnd(window), AsHwnd(insertAfter), 0, 0, 0, 0, flags) != 0;
    }
    CursorHandle LoadCursorFile(const std::string& path) override {
        return reinterpret_cast<CursorHandle>(LoadCursorFromFileA(path.c_str()));
    }
    void SetClassCursor(WindowHandle window, CursorHandle cursor) override {
        SetClassLongPtrW(AsHwnd(window), GCLP_HCURSOR, static_cast<LONG_PTR>(cursor));
    }
};

}  // namespace

std::unique_ptr<WaitPort> MakeWaitPort() {
    return std::make_unique<Win32WaitPort>();
}

std::unique_ptr<Clock> MakeClock() {
    return std::make_unique<Win32Clock>();
}

std::unique_ptr<WindowSystem> MakeWindowSystem() {
    return std::make_unique<Win32WindowSystem>();
}

}  // namespace qvx::updlib::win32
