#pragma once
// The displays of the desktop as Win32 sees them. Win32DisplayDevices lists the display
// devices attached to the desktop (EnumDisplayDevicesW) and opens a device context for each
// (CreateDCW with the device name, DeleteDC when it goes); the desktop display is the desktop
// window's context, GetDC(GetDesktopWindow()) taken once and released when the object goes.

#include <memory>
#include <string>
#include <vector>

#include "tint/display_devices_port.h"
#include "tint/gamma_display_port.h"

namespace qvx::tint::win32 {

std::unique_ptr<GammaDisplay> MakeDesktopGammaDisplay();

class Win32DisplayDevices final : public DisplayDevices {
public:
    std::vector<std::string> AttachedDisplays() override;
    // "" gives the desktop display above.
    std::unique_ptr<GammaDisplay> Open(const std::string& deviceName) override;
};

}  // namespace qvx::tint::win32
