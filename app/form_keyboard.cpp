#include "app/form_keyboard.h"

#include <cstddef>

#include "app/desktop_ports.h"

namespace qvx::app {

namespace {

bool Contains(const TwipRect& rect, int x, int y) {
    return x >= rect.left && x < rect.left + rect.width && y >= rect.top &&
           y < rect.top + rect.height;
}

}  // namespace

KeyAction KeyActionOf(std::uint32_t modifiers, std::uint32_t virtualKey) {
    if (virtualKey == kVkTab && (modifiers == 0 || modifiers == kModShift))
        return modifiers == 0 ? KeyAction::Next : KeyAction::Previous;
    if (modifiers != 0)
        return KeyAction::None;
    switch (virtualKey) {
        case kVkSpace:
        case kVkReturn:
            return KeyAction::Press;
        case kVkEscape:
            return KeyAction::Escape;
        default:
            return KeyAction::None;
    }
}

const AccessibleControl* KeyboardFocus::Focused(
    const std::vector<AccessibleControl>& controls) const {
    const AccessibleControl* first = nullptr;
    for (const AccessibleControl& control : controls) {
        if (!control.Focusable())
            continue;
        if (control.id == id_)
            return &control;
        if (first == nullptr)
            first = &control;
    }
    return first;
}

void KeyboardFocus::Move(const std::vector<AccessibleControl>& controls, bool backwards) {
    std::vector<const AccessibleControl*> stops;
    for (const AccessibleControl& control : controls) {
        if (control.Focusable())
            stops.push_back(&control);
    }
    if (stops.empty())
        return;
    const AccessibleControl* now = Focused(controls);
    std::size_t at = 0;
    while (stops[at] != now)
        ++at;
    const std::size_t count = stops.size();
    at = backwards ? (at + count - 1) % count : (at + 1) % count;
    id_ = stops[at]->id;
}

void KeyboardFocus::MoveTo(const std::vector<AccessibleControl>& controls, int twipX, int twipY) {
    for (const AccessibleControl& control : controls) {
        if (control.Focusable() && Contains(control.rect, twipX, twipY))
            id_ = control.id;
    }
}

KeyAction NavigateByKey(KeyboardFocus& focus, const std::vector<AccessibleControl>& controls,
                        std::uint32_t modifiers, std::uint32_t virtualKey,
                        const std::function<bool(int twipX, int twipY)>& clickAt) {
    const KeyAction action = KeyActionOf(modifiers, virtualKey);
    switch (action) {
        case KeyAction::Next:
        case KeyAction::Previous:
            focus.ShowCues();
            focus.Move(controls, action == KeyAction::Previous);
            return action;
        case KeyAction::Press: {
            focus.ShowCues();
            const AccessibleControl* control = focus.Focused(controls);
            if (control == nullptr || control->role == AccessibleRole::Slider)
                return KeyAction::None;
            const TwipRect& r = control->rect;
            return clickAt(r.left + r.width / 2, r.top + r.height / 2) ? KeyAction::Press
                                                                       : KeyAction::None;
        }
        default:
            return action;
    }
}

}  // namespace qvx::app
