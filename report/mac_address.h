#pragma once
// The MAC text that identifies this PC in the usage report.

#include <optional>
#include <string>
#include <vector>

#include "report/report_ports.h"

namespace qvx::report {

// The addresses in the given order, one blank between them, blanks at both ends removed and
// every ":" written as "-".
std::string MacText(const std::vector<std::string>& macs);

// MacText of the IP-enabled adapters; nullopt when the WMI query fails.
std::optional<std::string> GetMacAddress(MacSource& source);

}  // namespace qvx::report
