#include "report/mac_address.h"

#include <algorithm>

namespace qvx::report {

std::string MacText(const std::vector<std::string>& macs) {
    std::string text;
    for (const std::string& mac : macs) {
        text += ' ';
        text += mac;
    }
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    std::replace(text.begin(), text.end(), ':', '-');
    return text;
}

std::optional<std::string> GetMacAddress(MacSource& source) {
    std::optional<std::vector<std::string>> macs = source.IpEnabledMacs();
    if (!macs) {
        return std::nullopt;
    }
    return MacText(*macs);
}

}  // namespace qvx::report
