#pragma once
// Where the tint engine loads its gamma ramp. quorvex.exe loads it into every display attached
// to the desktop (tint/every_display_gamma.h over the DisplayDevices port); the Win32 adapters
// are in tint/win32/gamma_display.h.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qvx::tint {

// 768 words: red levels 0-255, then green, then blue — the layout SetDeviceGammaRamp takes.
using GammaRamp = std::array<std::uint16_t, 768>;

// Displays that step aside: they show the identity ramp whatever strength is set (a pause, a
// full-screen program, a program the user chose).
struct Aside {
    bool all = false;                   // every display
    std::vector<std::string> displays;  // these, by device name
    bool None() const { return !all && displays.empty(); }
    bool Covers(const std::string& deviceName) const {
        return all || std::find(displays.begin(), displays.end(), deviceName) != displays.end();
    }
    bool operator==(const Aside&) const = default;
};

class GammaDisplay {
public:
    virtual ~GammaDisplay() = default;
    // SetDeviceGammaRamp on the held device context(s); false when a display refuses the ramp.
    virtual bool SetDeviceGammaRamp(const GammaRamp& ramp) = 0;
    // The ramp into every display except those aside, which get the identity ramp. One context
    // for the whole desktop steps aside as a whole when any display does.
    virtual bool LoadStepAside(const GammaRamp& ramp, const GammaRamp& identity,
                               const Aside& aside) {
        return SetDeviceGammaRamp(aside.None() ? ramp : identity);
    }
    // The set of displays changed (one plugged in or out, a mode change): look again. A single
    // device context has nothing to look for.
    virtual void DisplaysChanged() {}
};

}  // namespace qvx::tint
