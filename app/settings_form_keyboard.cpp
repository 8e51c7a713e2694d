// The settings window for the keyboard and screen readers: its controls in reading order, each
// named as the window shows it (a switch and a hotkey field by the caption in their row).

#include <string>

#include "app/settings_form.h"

namespace qvx::app {

namespace {

AccessibleControl Control(int id, AccessibleRole role, std::string name,
                          const ImageControl& image) {
    AccessibleControl control;
    control.id = id;
    control.role = role;
    control.name = std::move(name);
    control.rect = image.rect;
    control.picture = image.picture;
    return control;
}

AccessibleControl Switch(int id, const LabelControl& caption, const ImageControl& off,
                         const ImageControl& on) {
    AccessibleControl control =
        Control(id, AccessibleRole::CheckButton, caption.text, on.visible ? on : off);
    control.checked = on.visible;
    return control;
}

}  // namespace

std::vector<AccessibleControl> SettingsForm::AccessibleControls() const {
    using Role = AccessibleRole;
    std::vector<AccessibleControl> controls;
    // Ids: 1.. the controls in order; a row's control adds its row to its block's id.
    controls.push_back(Control(kFirstControl, Role::PushButton, "暂停1小时", PauseHourImage));
    controls.push_back(Control(2, Role::PushButton, "暂停至明早", PauseMorningImage));
    if (ResumeImage.visible)
        controls.push_back(Control(3, Role::PushButton, "恢复", ResumeImage));
    if (PauseState.Shows()) {
        AccessibleControl state = Control(4, Role::StaticText, PauseState.text, Background);
        state.rect = PauseState.rect;
        state.value = PauseState.text;
        controls.push_back(state);
    }
    controls.push_back(Switch(5, FullScreenCaption, FullScreenOff, FullScreenOn));
    controls.push_back(Switch(6, QuietCaption, QuietOff, QuietOn));
    controls.push_back(Control(7, Role::PushButton, "添加程序", AddProgramImage));
    for (std::size_t row = 0; row < kProgramRows; ++row) {
        if (!RemoveImages[row].visible)
            continue;
        std::string name = "移除 ";
        name += ProgramNames[row].text;
        controls.push_back(
            Control(20 + static_cast<int>(row), Role::PushButton, name, RemoveImages[row]));
    }
    for (std::size_t row = 0; row < kHotkeyRows; ++row) {
        AccessibleControl field = Control(40 + static_cast<int>(row), Role::PushButton,
                                          HotkeyNames[row].text, HotkeyFields[row]);
        field.value = HotkeyTexts[row].text;
        controls.push_back(field);
    }
    // The schedule column: the two choices (one of each pair is shown), then the places found.
    AccessibleControl clock = Control(70, Role::CheckButton, ClockCaption.text,
                                      ClockOptionOn.visible ? ClockOptionOn : ClockOption);
    clock.checked = ClockOptionOn.visible;
    controls.push_back(clock);
    AccessibleControl sun = Control(71, Role::CheckButton, SunCaption.text,
                                    SunOptionOn.visible ? SunOptionOn : SunOption);
    sun.checked = SunOptionOn.visible;
    controls.push_back(sun);
    for (std::size_t row = 0; row < kPlaceRows; ++row) {
        if (PlaceRows[row].visible) {
            controls.push_back(Control(80 + static_cast<int>(row), Role::PushButton,
                                       PlaceNames[row].text, PlaceRows[row]));
        }
    }
    controls.push_back(Control(60, Role::PushButton, "关闭", CloseImage));
    return controls;
}

}  // namespace qvx::app
