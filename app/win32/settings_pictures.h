#pragma once
// The pictures of the settings window: its backdrop, close cross, pills and hotkey fields.

#include "app/form_controls.h"
#include "app/win32/drawing_canvas.h"

namespace qvx::app::win32 {

// Paints the picture when it is one of the settings window's; false when it is not.
bool PaintSettingsPicture(const Canvas& c, Picture picture);

}  // namespace qvx::app::win32
