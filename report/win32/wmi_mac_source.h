#pragma once
// MacSource through WMI: Win32_NetworkAdapterConfiguration of this PC.

#include "report/report_ports.h"

namespace qvx::report::win32 {

class WmiMacSource : public MacSource {
public:
    std::optional<std::vector<std::string>> IpEnabledMacs() override;
};

}  // namespace qvx::report::win32
