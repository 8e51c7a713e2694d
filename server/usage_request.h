#pragma once
// What the service accepts from the main program: the usage report's query and the request line
// as the program sends it.

#include <optional>
#include <string>

namespace qvx::server {

// The longest MAC text taken: a PC with many adapters stays far below it (18 bytes each).
inline constexpr std::size_t kMaxMacTextLength = 1024;
inline constexpr const char* kDeviceType = "pc";

struct UsageReport {
    std::string macText;
    std::string deviceType;
};

struct UsageCheck {
    std::optional<UsageReport> report;  // set when valid
    std::string error;                  // why not, when invalid
};

// MAC_in must be present, not blank, at most kMaxMacTextLength bytes of printable ASCII;
// devicetype must be "pc". The MAC text is stored as sent, blanks at both ends removed.
UsageCheck CheckUsageReport(const std::optional<std::string>& macIn,
                            const std::optional<std::string>& deviceType);

}  // namespace qvx::server
