#pragma once
// The displays attached to the desktop, as the platform names them, each opened as a device
// context of its own. The Win32 adapter is in tint/win32/gamma_display.h.

#include <memory>
#include <string>
#include <vector>

#include "tint/gamma_display_port.h"

namespace qvx::tint {

class DisplayDevices {
public:
    virtual ~DisplayDevices() = default;
    // Device names (UTF-8, e.g. "\\.\DISPLAY1") of the displays attached to the desktop now, in
    // the platform's order; empty when the platform lists none.
    virtual std::vector<std::string> AttachedDisplays() = 0;
    // A device context for that display, held until the object goes; "" names the desktop
    // window's context (the whole desktop as one display). nullptr when it cannot be made.
    virtual std::unique_ptr<GammaDisplay> Open(const std::string& deviceName) = 0;
};

}  // namespace qvx::tint
