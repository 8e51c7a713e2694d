#pragma once
// Scaling for both programs: DPI awareness, the scale of a window or of the primary screen, and
// the twips of the form layouts in device pixels.

#include <windows.h>

namespace qvx::base::win32 {

// Per-monitor DPI awareness where the system has it (Windows 10 1703+), else system-wide; for a
// system that did not read the manifest.
void EnableDpiAwareness();
// Device pixels per 96-dpi pixel for this window (the primary screen's when the system cannot
// tell).
double WindowScale(HWND window);
// Scale of the primary screen, for windows not yet created.
double PrimaryScale();
// Scale of one monitor (its effective DPI), for a window about to open there; the primary
// screen's where the system cannot tell.
double MonitorScale(HMONITOR monitor);

// Twips of the form layout to device pixels: 15 twips per 96-dpi pixel, times the scale.
inline int TwipsToPixels(int twips, double scale) {
    return static_cast<int>(twips * scale / 15.0 + (twips >= 0 ? 0.5 : -0.5));
}
inline int PixelsToTwips(int pixels, double scale) {
    return static_cast<int>(pixels * 15.0 / scale + (pixels >= 0 ? 0.5 : -0.5));
}

}  // namespace qvx::base::win32
