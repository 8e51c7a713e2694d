#pragma once
// The pictures of the main window: its background, mark, area backdrops with their captions,
// buttons, switches and preset cards.

#include "app/form_controls.h"
#include "app/win32/drawing_canvas.h"

namespace qvx::app::win32 {

// Paints the picture when it is one of the main window's; false when it is not.
bool PaintMainWindowPicture(const Canvas& c, Picture picture);

}  // namespace qvx::app::win32
