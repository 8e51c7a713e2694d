// The drawn frame's side of the keyboard and screen readers: the focus ring painted where the
// form's focus is (once the keyboard was used, while the window holds the focus), the window's
// IAccessible answered to WM_GETOBJECT, and the events that tell screen readers what changed.

#include "app/win32/drawn_window.h"

namespace qvx::app::win32 {

namespace {

// A screen reader's default action, run from the window's own queue rather than inside the
// reader's call.
constexpr UINT kDefaultActionMessage = WM_APP + 0x2A7;

}  // namespace

bool DrawnWindow::HoldsFocus() const {
    return window_ && GetFocus() == window_;
}

std::optional<AccessibleControl> DrawnWindow::FocusedControl() const {
    const KeyboardFocus* keyboard = Keyboard();
    if (!keyboard || !HoldsFocus())
        return std::nullopt;
    const std::vector<AccessibleControl> controls = AccessibleControls();
    const AccessibleControl* focused = keyboard->Focused(controls);
    if (!focused)
        return std::nullopt;
    return *focused;
}

std::optional<int> DrawnWindow::AccessibleFocus() const {
    const std::optional<AccessibleControl> focused = FocusedControl();
    return focused ? std::optional<int>(focused->id) : std::nullopt;
}

std::optional<FocusRing> DrawnWindow::RingNow() const {
    const KeyboardFocus* keyboard = Keyboard();
    if (!keyboard || !keyboard->CuesShown())
        return std::nullopt;
    const std::optional<AccessibleControl> focused = FocusedControl();
    if (!focused || RingOfChild(*focused))
        return std::nullopt;
    return FocusRing{focused->rect, focused->picture};
}

void DrawnWindow::AnnounceChanges() {
    if (!window_ || destroyed_)
        return;
    if (!IsWindowVisible(window_)) {
        announced_.clear();
        announcedFocus_.reset();
        paintedRing_ = -1;
        return;
    }
    std::vector<AccessibleControl> now = AccessibleControls();
    const auto child = [](std::size_t index) { return static_cast<LONG>(index + 1); };
    if (!announced_.empty()) {
        bool sameSet = announced_.size() == now.size();
        for (std::size_t i = 0; sameSet && i < now.size(); ++i)
            sameSet = announced_[i].id == now[i].id;
        if (!sameSet)
            NotifyWinEvent(EVENT_OBJECT_REORDER, window_, OBJID_CLIENT, CHILDID_SELF);
        for (std::size_t i = 0; i < now.size(); ++i) {
            for (const AccessibleControl& before : announced_) {
                if (before.id != now[i].id)
                    continue;
                if (before.checked != now[i].checked || before.selected != now[i].selected)
                    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window_, OBJID_CLIENT, child(i));
                // Counters and the countdown change every second: readable, never announced.
                if (now[i].role == AccessibleRole::Slider && before.value != now[i].value)
                    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window_, OBJID_CLIENT, child(i));
            }
        }
    }
    const std::optional<AccessibleControl> focused = FocusedControl();
    const std::optional<int> focus = focused ? std::optional<int>(focused->id) : std::nullopt;
    if (focus && focus != announcedFocus_ && !RingOfChild(*focused)) {
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (now[i].id == *focus)
                NotifyWinEvent(EVENT_OBJECT_FOCUS, window_, OBJID_CLIENT, child(i));
        }
    }
    announcedFocus_ = focus;
    announced_ = std::move(now);

    const std::optional<FocusRing> ring = RingNow();
    const int ringAt = ring && focus ? *focus : -1;
    if (ringAt != paintedRing_) {
        paintedRing_ = ringAt;
        InvalidateRect(window_, nullptr, FALSE);
    }
}

LRESULT DrawnWindow::AnswerGetObject(WPARAM wParam) {
    // The object needs this thread in a COM apartment; it is entered the first time a screen
    // reader asks and kept for the rest of the run, so a program nobody reads keeps none.
    static const base::win32::ComApartment apartment;
    if (!accessible_)
        accessible_.Attach(new FormAccessible(*this));
    return LresultFromObject(__uuidof(IAccessible), wParam, accessible_.Get());
}

void DrawnWindow::AccessibleDefaultAction(int id) {
    PostMessageW(window_, kDefaultActionMessage, static_cast<WPARAM>(id), 0);
}

void DrawnWindow::RunDefaultAction(int id) {
    for (const AccessibleControl& control : AccessibleControls()) {
        if (control.id == id && control.Focusable() && control.role != AccessibleRole::Slider) {
            const TwipRect& r = control.rect;
            Click(r.left + r.width / 2, r.top + r.height / 2);
            return;
        }
    }
}

void DrawnWindow::ForgetAccessible() {
    if (accessible_) {
        accessible_->Disconnect();
        accessible_.Reset();
    }
}

bool DrawnWindow::KeyboardMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            // The ring shows only while the window holds the focus.
            if (Keyboard() && Keyboard()->CuesShown())
                InvalidateRect(window_, nullptr, FALSE);
            return false;
        case WM_GETOBJECT:
            if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT))
                return false;
            result = AnswerGetObject(wParam);
            return true;
        case kDefaultActionMessage:
            RunDefaultAction(static_cast<int>(wParam));
            result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace qvx::app::win32
