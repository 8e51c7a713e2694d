#include "updlib/trovapi.h"

#include <algorithm>
#include <cmath>

namespace qvx::updlib {

std::int32_t ScaleRandom(float r) {
    const double scaled = static_cast<double>(r) * 2147483647.0;
    double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    // Halves go to the even neighbour, as the number conversion of the platform does.
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    return static_cast<std::int32_t>(std::clamp(whole, 0.0, 2147483647.0));
}

trovapi::trovapi(const TrovapiPorts& ports) : ports_(ports) {
    AppPath = GetAppPath();
}

trovapi::~trovapi() {
    *alive_ = false;
    // A wait still in progress (this object was released from a handler running inside it)
    // leaves its timer open; close it here, whatever the outcome.
    for (TimerHandle timer : waitTimers_) {
        ports_.wait.CloseTimer(timer);
    }
}

std::string trovapi::RevString(const std::string& revStr) {
    // Reverse characters, not bytes: a double-byte character of the code page keeps its order.
    std::u16string wide = ports_.text.AnsiToWide(revStr);
    std::reverse(wide.begin(), wide.end());
    // Surrogate pairs were turned around with everything else; put each pair back in order.
    for (std::size_t i = 0; i + 1 < wide.size(); ++i) {
        const char16_t a = wide[i];
        const char16_t b = wide[i + 1];
        if (a >= 0xDC00 && a <= 0xDFFF && b >= 0xD800 && b <= 0xDBFF) {
            std::swap(wide[i], wide[i + 1]);
            ++i;
        }
    }
    return ports_.text.WideToAnsi(wide);
}

std::int32_t trovapi::GetRnd() {
    // Reseed from the clock, keeping the previous state mixed in so that two draws within one
    // millisecond still differ, then take one 24-bit step: r = x / 2^24 in single precision.
    const TimeRecord now = ports_.clock.LocalNow();
    const std::uint32_t clockSeed =
        ((static_cast<std::uint32_t>(now.hour) * 60u + now.minute) * 60u + now.second) * 1000u +
        now.milliseconds;
    rndState_ = (rndState_ ^ clockSeed) & 0xFFFFFFu;
    rndState_ = (rndState_ * 1140671485u + 12820163u) & 0xFFFFFFu;
    const float r = static_cast<float>(rndState_) / 16777216.0f;
    RndLong = ScaleRandom(r);
    return RndLong;
}

}  // namespace qvx::updlib
