#pragma once
// The pictures of the rest reminder pop-up: its background with the message, its two
// buttons and the link that reminds again later.

#include "app/form_controls.h"
#include "app/win32/drawing_canvas.h"

namespace qvx::app::win32 {

// Paints the picture when it is one of the reminder's; false when it is not.
bool PaintReminderPicture(const Canvas& c, Picture picture);

}  // namespace qvx::app::win32
