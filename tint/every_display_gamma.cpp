#include "tint/every_display_gamma.h"

#include <algorithm>
#include <utility>

namespace qvx::tint {

EveryDisplayGamma::EveryDisplayGamma(DisplayDevices& devices) : devices_(devices) {
    DisplaysChanged();
}

bool EveryDisplayGamma::SetDeviceGammaRamp(const GammaRamp& ramp) {
    bool all = !held_.empty();
    for (Held& held : held_) {
        // Every display gets the load, whatever an earlier one answered.
        if (!held.display->SetDeviceGammaRamp(ramp)) {
            all = false;
        }
    }
    return all;
}

bool EveryDisplayGamma::LoadStepAside(const GammaRamp& ramp, const GammaRamp& identity,
                                      const Aside& aside) {
    bool all = !held_.empty();
    for (Held& held : held_) {
        // The desktop's own context stands for every display at once.
        const bool asideHere = held.name.empty() ? !aside.None() : aside.Covers(held.name);
        if (!held.display->SetDeviceGammaRamp(asideHere ? identity : ramp)) {
            all = false;
        }
    }
    return all;
}

void EveryDisplayGamma::DisplaysChanged() {
    std::vector<std::string> names = devices_.AttachedDisplays();
    std::vector<Held> next;
    next.reserve(names.size() + 1);
    for (std::string& name : names) {
        if (name.empty()) {
            continue;
        }
        const bool listedTwice =
            std::any_of(next.begin(), next.end(), [&](const Held& h) { return h.name == name; });
        if (listedTwice) {
            continue;
        }
        auto kept = std::find_if(held_.begin(), held_.end(),
                                 [&](const Held& h) { return h.name == name && h.display; });
        if (kept != held_.end()) {
            next.push_back(std::move(*kept));
            continue;
        }
        if (auto display = devices_.Open(name)) {
            next.push_back(Held{std::move(name), std::move(display)});
        }
    }
    if (next.empty()) {
        // No display of its own: the desktop's context, kept if it is already held.
        auto desktop = std::find_if(held_.begin(), held_.end(),
                                    [](const Held& h) { return h.name.empty() && h.display; });
        if (desktop != held_.end()) {
            next.push_back(std::move(*desktop));
        } else if (auto display = devices_.Open("")) {
            next.push_back(Held{std::string(), std::move(display)});
        }
    }
    // The contexts of displays no longer attached are released here.
    held_ = std::move(next);
}

std::vector<std::string> EveryDisplayGamma::Names() const {
    std::vector<std::string> names;
    names.reserve(held_.size());
    for (const Held& held : held_) {
        names.push_back(held.name);
    }
    return names;
}

}  // namespace qvx::tint
