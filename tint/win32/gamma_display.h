#pragma once
// The desktop display: GetDC(GetDesktopWindow()) taken once, SetDeviceGammaRamp on it, the
// device context released when the object goes.

#include <memory>

#include "tint/gamma_display_port.h"

namespace qvx {

std::unique_ptr<GammaDisplay> MakeDesktopGammaDisplay();

}  // namespace qvx
