#include "tint/win32/gamma_display.h"

#include <windows.h>

namespace qvx {

namespace {

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

    bool SetDeviceGammaRamp(const GammaRamp& ramp) override {
        // The call only reads the ramp; its parameter is not declared const.
        return ::SetDeviceGammaRamp(dc_, const_cast<std::uint16_t*>(ramp.data())) != FALSE;
    }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace

std::unique_ptr<GammaDisplay> MakeDesktopGammaDisplay() {
    return std::make_unique<DesktopGammaDisplay>();
}

}  // namespace qvx
