#include "server/usage_request.h"

namespace qvx::server {

UsageCheck CheckUsageReport(const std::optional<std::string>& macIn,
                            const std::optional<std::string>& deviceType) {
    if (!macIn) {
        return {std::nullopt, "MAC_in missing"};
    }
    if (macIn->size() > kMaxMacTextLength) {
        return {std::nullopt, "MAC_in too long"};
    }
    for (char c : *macIn) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) {
            return {std::nullopt, "MAC_in holds a character that is not printable ASCII"};
        }
    }
    const auto first = macIn->find_first_not_of(' ');
    if (first == std::string::npos) {
        return {std::nullopt, "MAC_in empty"};
    }
    if (!deviceType) {
        return {std::nullopt, "devicetype missing"};
    }
    if (*deviceType != kDeviceType) {
        return {std::nullopt, "devicetype must be pc"};
    }
    const auto last = macIn->find_last_not_of(' ');
    return {UsageReport{macIn->substr(first, last - first + 1), *deviceType}, {}};
}

}  // namespace qvx::server
