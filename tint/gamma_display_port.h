#pragma once
// The display whose gamma ramp the tint engine loads. The port holds the desktop device context
// for the whole run; the Win32 adapter is in tint/win32/gamma_display.h.

#include <array>
#include <cstdint>

namespace qvx {

// 768 words: red levels 0-255, then green, then blue — the layout SetDeviceGammaRamp takes.
using GammaRamp = std::array<std::uint16_t, 768>;

class GammaDisplay {
public:
    virtual ~GammaDisplay() = default;
    // SetDeviceGammaRamp on the held device context; false when the display refuses the ramp.
    virtual bool SetDeviceGammaRamp(const GammaRamp& ramp) = 0;
};

}  // namespace qvx
