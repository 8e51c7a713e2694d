#pragma once
// ProgramLauncher through CreateProcessW.

#include "report/report_ports.h"

namespace qvx::report::win32 {

class ProcessLauncher : public ProgramLauncher {
public:
    bool Start(const std::string& fileName) override;
};

}  // namespace qvx::report::win32
