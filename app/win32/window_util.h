#pragma once
// Small window helpers shared by the program's windows: DPI, the colour key, placement.

#include <windows.h>

namespace qvx::win32 {

// Per-monitor DPI awareness where the system has it (Windows 10 1703+), else system-wide.
void EnableDpiAwareness();
// Device pixels per 96-dpi pixel for this window (1.0 when the system cannot tell).
double WindowScale(HWND window);
// Scale of the monitor that holds the primary work area, for windows not yet created.
double PrimaryScale();
// Pure blue becomes see-through and click-through: WS_EX_LAYERED plus the colour key.
void MakeColourKeyed(HWND window);
// WM_DPICHANGED: takes the place and size the system suggests (lParam) for the new scale.
void MoveToSuggestedRect(HWND window, LPARAM lParam);
// Outer window rectangle for a client area of width x height, centred on the primary work area.
RECT CentredRect(int width, int height, DWORD style, DWORD exStyle);

}  // namespace qvx::win32
