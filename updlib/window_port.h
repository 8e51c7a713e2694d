#pragma once

#include <cstdint>
#include <string>

#include "updlib/updlib_types.h"

namespace qvx::updlib {

using CursorHandle = std::uintptr_t;

// Window messages and z-order as trovapi uses them. Titles and class names are ANSI bytes.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // FindWindowA(NULL, title): top-level window of any class with exactly this title; 0 if none.
    virtual WindowHandle FindWindowByTitle(const std::string& title) = 0;
    // FindWindowExA(parent, NULL, className, NULL); parent 0 searches the top-level windows.
    virtual WindowHandle FindChildByClass(WindowHandle parent, const std::string& className) = 0;
    virtual WindowHandle DesktopWindow() = 0;
    virtual bool PostWindowMessage(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual std::intptr_t SendWindowMessage(WindowHandle window, std::uint32_t message,
                                            std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // SetWindowPos(window, insertAfter, 0, 0, 0, 0, flags); insertAfter carries the special
    // values (-1 topmost, -2 not topmost, 1 bottom) as they are.
    virtual bool SetWindowPos(WindowHandle window, WindowHandle insertAfter,
                              std::uint32_t flags) = 0;
    // LoadCursorFromFileA; 0 when it fails.
    virtual CursorHandle LoadCursorFile(const std::string& path) = 0;
    // Makes `cursor` the class cursor of the window's class (GCL_HCURSOR).
    virtual void SetClassCursor(WindowHandle window, CursorHandle cursor) = 0;
};

}  // namespace qvx::updlib
