#include "updater/win32/window_message_pump.h"

#include <windows.h>

namespace qvx::updater::win32 {

void WindowMessagePump::DoEvents() {
    const std::uint64_t now = ::GetTickCount64();
    if (pumped_ && intervalMs_ != 0 && now - lastPump_ < intervalMs_) {
        return;
    }
    pumped_ = true;
    lastPump_ = now;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        // The window's keys work while a transfer runs too (Tab, Enter on the default button,
        // Esc), as in the program's own loop.
        const HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (root && ::IsDialogMessageW(root, &msg)) {
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace qvx::updater::win32
