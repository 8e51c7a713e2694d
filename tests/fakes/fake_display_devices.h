#pragma once
// A desk of displays for the multi-display tint: each display can be unplugged and plugged
// back, told to refuse loads, and keeps what was loaded into it. The contexts the logic opens
// are counted, so a test sees one released when its display goes.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tint/display_devices_port.h"

namespace qvx::tint::fakes {

class FakeDisplayDevices final : public DisplayDevices {
public:
    struct Display {
        bool attached = true;
        bool refuse = false;    // the display refuses every load
        bool opens = true;      // a device context can be made for it
        int loadCount = 0;      // loads attempted on it, refused ones included
        int openContexts = 0;   // its device contexts alive now
        int opened = 0;         // contexts made for it so far
        GammaRamp lastRamp{};   // the last ramp it took
        bool everTook = false;  // it took at least one ramp
    };

    // Displays in the platform's order; "" is the desktop window's context.
    FakeDisplayDevices& Plug(const std::string& name) {
        if (displays.count(name) == 0) {
            order.push_back(name);
        }
        displays[name].attached = true;
        return *this;
    }
    void Unplug(const std::string& name) { displays[name].attached = false; }

    std::vector<std::string> AttachedDisplays() override {
        std::vector<std::string> names;
        for (const std::string& name : order) {
            if (!name.empty() && displays[name].attached) {
                names.push_back(name);
            }
        }
        return names;
    }

    std::unique_ptr<GammaDisplay> Open(const std::string& deviceName) override {
        Display& display = displays[deviceName];
        if (!display.opens) {
            return nullptr;
        }
        ++display.opened;
        return std::make_unique<Context>(display);
    }

    std::map<std::string, Display> displays;
    std::vector<std::string> order;

private:
    class Context final : public GammaDisplay {
    public:
        explicit Context(Display& display) : display_(display) { ++display_.openContexts; }
        ~Context() override { --display_.openContexts; }
        Context(const Context&) = delete;
        Context& operator=(const Context&) = delete;

        bool SetDeviceGammaRamp(const GammaRamp& ramp) override {
            ++display_.loadCount;
            // A display unplugged under a context it had refuses, as a dead device does.
            if (display_.refuse || !display_.attached) {
                return false;
            }
            display_.lastRamp = ramp;
            display_.everTook = true;
            return true;
        }

    private:
        Display& display_;
    };
};

}  // namespace qvx::tint::fakes
