#pragma once
// The keyboard and screen readers on the drawn forms. Each form lists its controls in reading
// order as a screen reader meets them (role, name as shown, state, place); Tab and Shift+Tab go
// through the ones a click reaches, wrapping around, and Space or Enter presses the focused one
// by clicking its centre through the form's own ClickAt, so a key and a click run the same
// handler. As on Windows, the focus is shown only once the keyboard was used in the window.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/form_controls.h"

namespace qvx::app {

enum class AccessibleRole : std::uint8_t { PushButton, CheckButton, Slider, Link, StaticText };

struct AccessibleControl {
    // Stays the same across every change of look (the two pictures of a switch share it).
    int id = 0;
    AccessibleRole role = AccessibleRole::PushButton;
    std::string name;   // UTF-8, as the window shows it
    std::string value;  // the slider's position, a counter's text
    TwipRect rect;
    Picture picture = Picture::None;  // what the control shows now (the ring follows its shape)
    bool checked = false;             // a switch that is on
    bool selected = false;            // the preset the slider stands at

    bool Focusable() const { return role != AccessibleRole::StaticText; }
};

// Virtual-key codes the forms answer (the platform's values).
inline constexpr std::uint32_t kVkTab = 0x09;
inline constexpr std::uint32_t kVkReturn = 0x0D;
inline constexpr std::uint32_t kVkEscape = 0x1B;
inline constexpr std::uint32_t kVkSpace = 0x20;

enum class KeyAction : std::uint8_t { None, Next, Previous, Press, Escape };
// Tab, Shift+Tab, Space or Enter, Esc; any other key or combination is none of them.
KeyAction KeyActionOf(std::uint32_t modifiers, std::uint32_t virtualKey);

class KeyboardFocus {
public:
    explicit KeyboardFocus(int first) : id_(first) {}

    // The focused control among these. A focus whose control is gone (a pause ended under
    // "恢复") stands on the first focusable one; none when no control takes the focus.
    const AccessibleControl* Focused(const std::vector<AccessibleControl>& controls) const;
    int Id() const { return id_; }
    void Set(int id) { id_ = id; }
    // Tab or Shift+Tab: the next or previous focusable control in reading order, wrapping.
    void Move(const std::vector<AccessibleControl>& controls, bool backwards);
    // A press with the pointer takes the focus to the focusable control there, if any.
    void MoveTo(const std::vector<AccessibleControl>& controls, int twipX, int twipY);

    // Whether the ring is shown: from the first key that moves or presses on.
    bool CuesShown() const { return cuesShown_; }
    void ShowCues() { cuesShown_ = true; }

private:
    int id_;
    bool cuesShown_ = false;
};

// The common keys of a form: Tab and Shift+Tab move the focus, Space and Enter click the centre
// of the focused control through clickAt (not on the slider, which keeps its own keys). Returns
// what the key was, for the form to add its own (Esc); KeyAction::Press only when it clicked.
KeyAction NavigateByKey(KeyboardFocus& focus, const std::vector<AccessibleControl>& controls,
                        std::uint32_t modifiers, std::uint32_t virtualKey,
                        const std::function<bool(int twipX, int twipY)>& clickAt);

}  // namespace qvx::app
