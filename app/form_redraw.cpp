#include "app/form_redraw.h"

namespace qvx::app {

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
        if (!before.Shows() && !after.Shows())
            continue;
        if (before != after)
            redraw.labels.push_back(i);
    }
    return redraw;
}

}  // namespace qvx::app
