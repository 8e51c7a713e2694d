#pragma once
// Where a drawn window opens and at what scale: whole inside the work area of its monitor. The
// windows are pictures, so one larger than the work area at the display's scale is drawn at the
// largest scale that fits, as they are drawn larger at a higher one.

namespace qvx::app {

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const PixelRect&) const = default;
};

// The scale to draw a window whose outer size is widthAt1 x heightAt1 pixels at scale 1 (96 dpi),
// on a display of displayScale with that work area: the display's scale, or less when the window
// would not fit. Never 0: a work area that is empty leaves the display's scale.
double FitScale(double displayScale, int widthAt1, int heightAt1, const PixelRect& work);

// The outer rectangle of a window of width x height centred in the work area, moved inside it
// where it would stick out (its top-left corner kept on screen when it is larger).
PixelRect CentreIn(const PixelRect& work, int width, int height);

// The same window kept where it is, moved only as far as needed to lie inside the work area.
PixelRect KeepInside(const PixelRect& work, const PixelRect& window);

}  // namespace qvx::app
