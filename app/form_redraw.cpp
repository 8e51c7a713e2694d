#include "app/form_redraw.h"

namespace qvx::app {

namespace {

// A label paints nothing while hidden or empty.
bool Shows(const LabelControl& label) {
    return label.visible && !label.text.empty();
}

}  // namespace

FormLook LookOf(std::span<const LabelControl* const> labels,
                std::span<const ImageControl* const> images) {
    FormLook look;
    look.labels.reserve(labels.size());
    for (const LabelControl* label : labels)
        look.labels.push_back(*label);
    look.images.reserve(images.size());
    for (const ImageControl* image : images)
        look.images.push_back(*image);
    return look;
}

Redraw RedrawBetween(const FormLook& painted, const FormLook& now) {
    Redraw redraw;
    if (painted.labels.size() != now.labels.size() || painted.images != now.images) {
        redraw.whole = true;
        return redraw;
    }
    for (std::size_t i = 0; i < now.labels.size(); ++i) {
        const LabelControl& before = painted.labels[i];
        const LabelControl& after = now.labels[i];
        if (!Shows(before) && !Shows(after))
            continue;
        if (before != after)
            redraw.labels.push_back(i);
    }
    return redraw;
}

}  // namespace qvx::app
