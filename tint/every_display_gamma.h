#pragma once
// Loads each ramp into every display attached to the desktop. One device context per display,
// kept while that display stays attached; a display that comes or goes is picked up when the
// displays are listed again. When the platform lists no display (or none of them opens), the
// desktop window's context stands in, as the whole desktop.

#include <memory>
#include <string>
#include <vector>

#include "tint/display_devices_port.h"
#include "tint/gamma_display_port.h"

namespace qvx::tint {

class EveryDisplayGamma final : public GammaDisplay {
public:
    // Lists and opens the displays at once.
    explicit EveryDisplayGamma(DisplayDevices& devices);
    EveryDisplayGamma(const EveryDisplayGamma&) = delete;
    EveryDisplayGamma& operator=(const EveryDisplayGamma&) = delete;

    // The same ramp into every display, each tried even when an earlier one refused; true only
    // when every display took it (false with no display at all).
    bool SetDeviceGammaRamp(const GammaRamp& ramp) override;
    // Each display by its own name: those aside take the identity ramp, the others the ramp.
    bool LoadStepAside(const GammaRamp& ramp, const GammaRamp& identity,
                       const Aside& aside) override;
    // Lists the displays again: a display still attached keeps its context, a new one is
    // opened, one gone has its context released.
    void DisplaysChanged() override;

    // Device names of the displays held, in the platform's order ("" for the desktop).
    std::vector<std::string> Names() const;

private:
    struct Held {
        std::string name;
        std::unique_ptr<GammaDisplay> display;
    };

    DisplayDevices& devices_;
    std::vector<Held> held_;
};

}  // namespace qvx::tint
