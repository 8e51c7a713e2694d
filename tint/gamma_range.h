#pragma once
// The range Windows accepts a gamma ramp in by default. SetDeviceGammaRamp refuses a ramp that
// bends too far from the identity (so no program can leave the screen unreadable): unless the
// machine-wide value HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\ICM\GdiIcmGammaRange is
// raised to 256, each word's high byte must lie within 128 levels of its own level i, in every
// channel. Depending on the driver the refusal is a FALSE result or a silent TRUE with nothing
// loaded, so the program keeps every ramp it loads inside the range.

#include "tint/gamma_display_port.h"

namespace qvx::tint {

// The default range: 128 levels either side of the identity.
inline constexpr int kDefaultGammaRange = 128;

// True when every word of every channel, read as its high byte, lies within
// [i - range, i + range] for its level i.
bool InsideGammaRange(const GammaRamp& ramp, int range = kDefaultGammaRange);

}  // namespace qvx::tint
