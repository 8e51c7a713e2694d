#pragma once
// Small window helpers shared by the program's windows: the colour key, placement (and the
// scaling of base/win32/dpi.h).

#include <windows.h>

#include "base/win32/dpi.h"

namespace qvx::app::win32 {

using base::win32::EnableDpiAwareness;
using base::win32::MonitorScale;
using base::win32::PrimaryScale;
using base::win32::WindowScale;

// Pure blue becomes see-through and click-through: WS_EX_LAYERED plus the colour key.
void MakeColourKeyed(HWND window);
// WM_DPICHANGED: takes the place and size the system suggests (lParam) for the new scale.
void MoveToSuggestedRect(HWND window, LPARAM lParam);
// The monitor of the window in front (the primary one when nothing, or this window, is in front).
HMONITOR ForegroundMonitor(HWND self);
// The monitor under the pointer.
HMONITOR PointerMonitor();
// The work area of a monitor (the primary work area when it cannot be read).
RECT WorkArea(HMONITOR monitor);

}  // namespace qvx::app::win32
