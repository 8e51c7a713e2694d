#pragma once
// A display that records every ramp load and can be told to refuse them.

#include "tint/gamma_display_port.h"
#include "tint/gamma_ramp.h"

namespace qvx::tint::fakes {

class FakeGammaDisplay final : public GammaDisplay {
public:
    bool SetDeviceGammaRamp(const GammaRamp& ramp) override {
        ++loadCount;
        lastRamp = ramp;
        return !refuse;
    }

    bool refuse = false;   // the display refuses every load (as on a display without gamma)
    int loadCount = 0;     // loads attempted, refused ones included
    GammaRamp lastRamp{};  // the ramp of the last attempted load
};

// The ramp the tint engine loads for a slider position, as a display receives it.
inline GammaRamp RampAtPosition(int position) {
    TintEngine engine;
    engine.InitBaseRamp();
    FakeGammaDisplay probe;
    engine.ApplyPosition(position, probe);
    return probe.lastRamp;
}

}  // namespace qvx::tint::fakes
