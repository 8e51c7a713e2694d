#pragma once
// Where the tint engine loads its gamma ramp. quorvex.exe loads it into every display attached
// to the desktop (tint/every_display_gamma.h over the DisplayDevices port); the Win32 adapters
// are in tint/win32/gamma_display.h.

#include <array>
#include <cstdint>

namespace qvx::tint {

// 768 words: red levels 0-255, then green, then blue — the layout SetDeviceGammaRamp takes.
using GammaRamp = std::array<std::uint16_t, 768>;

class GammaDisplay {
public:
    virtual ~GammaDisplay() = default;
    // SetDeviceGammaRamp on the held device context(s); false when a display refuses the ramp.
    virtual bool SetDeviceGammaRamp(const GammaRamp& ramp) = 0;
    // The set of displays changed (one plugged in or out, a mode change): look again. A single
    // device context has nothing to look for.
    virtual void DisplaysChanged() {}
};

}  // namespace qvx::tint
