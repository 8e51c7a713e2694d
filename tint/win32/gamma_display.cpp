#include "tint/win32/gamma_display.h"

#include <windows.h>

namespace qvx {

namespace {

bool LoadRamp(HDC dc, const GammaRamp& ramp) {
    // The call only reads the ramp; its parameter is not declared const.
    return dc != nullptr &&
           ::SetDeviceGammaRamp(dc, const_cast<std::uint16_t*>(ramp.data())) != FALSE;
}

// The desktop window's device context, held for the whole run and released at the end.
class DesktopGammaDisplay final : public GammaDisplay {
public:
    DesktopGammaDisplay() : window_(GetDesktopWindow()), dc_(GetDC(window_)) {}
    ~DesktopGammaDisplay() override {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    DesktopGammaDisplay(const DesktopGammaDisplay&) = delete;
    DesktopGammaDisplay& operator=(const DesktopGammaDisplay&) = delete;

    bool SetDeviceGammaRamp(const GammaRamp& ramp) override { return LoadRamp(dc_, ramp); }

private:
    HWND window_;
    HDC dc_;
};

// A device context made for one display device, deleted when the display goes.
class DeviceGammaDisplay final : public GammaDisplay {
public:
    explicit DeviceGammaDisplay(HDC dc) : dc_(dc) {}
    ~DeviceGammaDisplay() override { DeleteDC(dc_); }
    DeviceGammaDisplay(const DeviceGammaDisplay&) = delete;
    DeviceGammaDisplay& operator=(const DeviceGammaDisplay&) = delete;

    bool SetDeviceGammaRamp(const GammaRamp& ramp) override { return LoadRamp(dc_, ramp); }

private:
    HDC dc_;
};

std::string ToUtf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) {
        return {};
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

std::wstring ToWide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 1) {
        return {};
    }
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

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
        std::string name = ToUtf8(device.DeviceName);
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
    const std::wstring name = ToWide(deviceName);
    HDC dc = CreateDCW(name.c_str(), name.c_str(), nullptr, nullptr);
    if (dc == nullptr) {
        return nullptr;
    }
    return std::make_unique<DeviceGammaDisplay>(dc);
}

}  // namespace qvx
