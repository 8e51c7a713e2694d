#pragma once
// The real registry (advapi32 A functions) and the system ANSI code page conversions.

#include <memory>

#include "app/registry_port.h"

namespace qvx::app::win32 {

std::unique_ptr<Registry> MakeWin32Registry();
// Texts between UTF-8 and the system ANSI code page.
std::unique_ptr<AnsiCodec> MakeWin32AnsiCodec();

}  // namespace qvx::app::win32
