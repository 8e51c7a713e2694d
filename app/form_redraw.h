#pragma once
// What of a drawn form must be painted again after a handler: the window keeps the look it last
// asked to be painted and compares it with the form's controls now. A change of an image (its
// picture, place or visibility) redraws the whole window, since the images make up the cached
// background layer; a label whose text, font, colour, place or visibility changed redraws only
// where that label was and is. The one-second tick rewrites a few counters and nothing else, so
// it repaints only them.

#include <cstddef>
#include <span>
#include <vector>

#include "app/form_controls.h"

namespace qvx::app {

// The controls of a form as they were (or are to be) painted, in the window's paint order.
struct FormLook {
    std::vector<LabelControl> labels;
    std::vector<ImageControl> images;
};

// A copy of the controls' values: the form goes on changing its own.
FormLook LookOf(std::span<const LabelControl* const> labels,
                std::span<const ImageControl* const> images);

struct Redraw {
    // Everything: an image changed, or the two looks hold different sets of controls.
    bool whole = false;
    // Otherwise the labels (indices into FormLook::labels) to paint again, in order; each is
    // painted where it was before and where it is now.
    std::vector<std::size_t> labels;

    bool Nothing() const { return !whole && labels.empty(); }
};

// What to paint again to go from the painted look to the current one. A label that stays
// hidden, or shows no text before and after, draws nothing: changing its other fields needs no
// paint.
Redraw RedrawBetween(const FormLook& painted, const FormLook& now);

}  // namespace qvx::app
