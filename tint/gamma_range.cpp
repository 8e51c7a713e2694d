#include "tint/gamma_range.h"

namespace qvx::tint {

bool InsideGammaRange(const GammaRamp& ramp, int range) {
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i) {
            const int level = ramp[static_cast<std::size_t>(c * 256 + i)] >> 8;
            if (level < i - range || level > i + range) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace qvx::tint
