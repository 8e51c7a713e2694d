#include "tint/win32/gamma_display.h"

#include <windows.h>

#include "base/win32/scoped.h"
#include "base/win32/text.h"

namespace qvx::tint::win32 {

namespace {

bool LoadRamp(HDC dc, const GammaRamp& ramp) {
    // The call only reads the ramp; its parameter is not declared const.
    return dc != nullptr &&
           ::SetDeviceGammaRamp(dc, const_cast<std::uint16_t*>(ramp.data())) != FALSE;
}

// The desktop window's device context, held for the whole run and released at the end.
class DesktopGammaDisplay final : public GammaDisplay {
public:
    DesktopGammaDisplay() : dc_(GetDesktopWindow()) {}

    bool SetDeviceGammaRamp(const GammaRamp& ramp) override { return LoadRamp(dc_.Get(), ramp); }

private:
    base::win32::WindowDc dc_;
};

// A device context made for one display device, deleted when the display goes.
class DeviceGammaDisplay final : public GammaDisplay {
public:
    explicit DeviceGammaDisplay(HDC dc) : dc_(dc) {}

    bool SetDeviceGammaRamp(const GammaRamp& ramp) override { return LoadRamp(dc_.Get(), ramp); }

private:
    base::win32::CreatedDc dc_;
};

}  // namespace

std::unique_ptr<GammaDisplay> MakeDesktopGammaDisplay() {
    return std::make_unique<DesktopGammaDisplay>();
}

std::vector<std::string> Win32DisplayDevices::AttachedDisplays() {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        DISPLAY_DEVICEW device{};
        device.cb = sizeof device;
        if (!EnumDisplayDevicesW(nullptr, i, &device, 0)) {
            break;
        }
        // Mirroring drivers (remote-control tools) show no picture of their own.
        if ((device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) == 0 ||
            (device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) != 0) {
            continue;
        }
        std::string name = base::win32::WideToUtf8(device.DeviceName);
        if (!name.empty()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

std::unique_ptr<GammaDisplay> Win32DisplayDevices::Open(const std::string& deviceName) {
    if (deviceName.empty()) {
        return MakeDesktopGammaDisplay();
    }
    const std::wstring name = base::win32::Utf8ToWide(deviceName);
    HDC dc = CreateDCW(name.c_str(), name.c_str(), nullptr, nullptr);
    if (dc == nullptr) {
        return nullptr;
    }
    return std::make_unique<DeviceGammaDisplay>(dc);
}

}  // namespace qvx::tint::win32
