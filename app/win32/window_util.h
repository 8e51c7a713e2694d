#pragma once
// Small window helpers shared by the program's windows: the colour key, placement (and the
// scaling of base/win32/dpi.h).

#include <windows.h>

#include "base/win32/dpi.h"

namespace qvx::app::win32 {

using base::win32::EnableDpiAwareness;
using base::win32::PrimaryScale;
using base::win32::WindowScale;

// Pure blue becomes see-through and click-through: WS_EX_LAYERED plus the colour key.
void MakeColourKeyed(HWND window);
// WM_DPICHANGED: takes the place and size the system suggests (lParam) for the new scale.
void MoveToSuggestedRect(HWND window, LPARAM lParam);
// Outer window rectangle for a client area of width x height, centred on the primary work area.
RECT CentredRect(int width, int height, DWORD style, DWORD exStyle);
// Moves the window, keeping its size, to the centre of the work area of the monitor the window
// in front is on (the primary one when nothing is in front), held inside that work area.
void CentreOnForegroundMonitor(HWND window);

}  // namespace qvx::app::win32
