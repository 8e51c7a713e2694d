#pragma once
// The settings window's form: pausing, stepping aside for full-screen and chosen programs, the
// reminder's quiet moments and the hotkeys. Every change goes to the main form at once, which
// applies and stores it; this form only shows the main form's state and records hotkeys.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/desktop_ports.h"
#include "app/form_controls.h"
#include "app/form_keyboard.h"
#include "app/place_search.h"

namespace qvx::app {

class MainForm;

class SettingsForm {
public:
    explicit SettingsForm(MainForm& owner);
    SettingsForm(const SettingsForm&) = delete;
    SettingsForm& operator=(const SettingsForm&) = delete;

    // Two columns: stepping aside and the hotkeys on the left, the schedule on the right.
    static constexpr int kClientWidthTwips = 14700;
    static constexpr int kClientHeightTwips = 9600;
    // Chosen programs listed at once; the rest are counted below the list.
    static constexpr std::size_t kProgramRows = 5;
    static constexpr std::size_t kHotkeyRows = 3;  // warmer, cooler, pause
    static constexpr std::size_t kPlaceRows = 4;   // places found for the search text
    // The schedule's text fields.
    enum Field : std::size_t {
        kSearch,
        kDayStart,
        kNightStart,
        kLatitude,
        kLongitude,
        kTransition,
        kDayStrength,
        kNightStrength,
        kFieldCount
    };

    ImageControl Background;
    ImageControl CloseImage;
    ImageControl PauseHourImage;     // "暂停1小时"
    ImageControl PauseMorningImage;  // "暂停至明早"
    ImageControl ResumeImage;        // "恢复", while paused
    ImageControl FullScreenOff;      // "全屏时暂停护眼" off / on
    ImageControl FullScreenOn;
    ImageControl QuietOff;  // "全屏或演示时不打扰" off / on
    ImageControl QuietOn;
    ImageControl AddProgramImage;  // "添加程序"
    std::array<ImageControl, kProgramRows> RemoveImages;
    std::array<ImageControl, kHotkeyRows> HotkeyFields;

    LabelControl Title;
    LabelControl PauseCaption;
    LabelControl PauseState;  // "已暂停，HH:MM 恢复", or empty
    LabelControl FullScreenCaption;
    LabelControl QuietCaption;
    LabelControl ProgramsCaption;
    std::array<LabelControl, kProgramRows> ProgramNames;
    LabelControl MorePrograms;  // "还有 N 个"
    LabelControl HotkeysCaption;
    std::array<LabelControl, kHotkeyRows> HotkeyNames;
    std::array<LabelControl, kHotkeyRows> HotkeyTexts;
    LabelControl HotkeyHint;

    // The schedule section.
    ImageControl ClockOption;  // "按时钟" off / on
    ImageControl ClockOptionOn;
    ImageControl SunOption;  // "按日出日落" off / on
    ImageControl SunOptionOn;
    std::array<ImageControl, kFieldCount> FieldBoxes;
    std::array<ImageControl, kPlaceRows> PlaceRows;
    std::array<TextFieldControl, kFieldCount> Fields;
    LabelControl ScheduleCaption;
    LabelControl ClockCaption;
    LabelControl SunCaption;
    std::array<LabelControl, kFieldCount> FieldCaptions;
    std::array<LabelControl, kPlaceRows> PlaceNames;
    LabelControl PlaceState;   // "地点：哈尔滨（45.75, 126.65）" or "尚未选择地点"
    LabelControl SunFallback;  // shown while "sun" has no valid place
    LabelControl ScheduleHint;

    bool Visible() const { return visible_; }
    // How many times it was opened (the window brings itself to the front on a new opening).
    int ShowCount() const { return showCount_; }
    void Show();
    void Hide();

    // The hotkey field that records the next combination, if any.
    std::optional<std::size_t> Recording() const { return recording_; }

    // Brings every control in line with the main form's state.
    void Refresh();

    // Click handlers.
    void CloseImage_Click();
    void PauseHourImage_Click();
    void PauseMorningImage_Click();
    void ResumeImage_Click();
    void FullScreenOff_Click();
    void FullScreenOn_Click();
    void QuietOff_Click();
    void QuietOn_Click();
    void AddProgramImage_Click();
    void RemoveImage_Click(std::size_t row);
    void HotkeyField_Click(std::size_t row);
    void ClockOption_Click();
    void SunOption_Click();
    void PlaceRow_Click(std::size_t row);
    // A text field's text as the user edits it (the search finds places at once), and the
    // moment it is committed: the value is applied and stored, or the field shows the stored
    // value again when the text is not one.
    void FieldEdited(std::size_t field, std::string text);
    void FieldCommitted(std::size_t field);
    const std::vector<PlaceMatch>& Found() const { return found_; }
    // The field whose text is the user's (typed, not yet committed), if any.
    std::optional<std::size_t> Editing() const { return editing_; }

    // A key pressed while the window has the keyboard: while a field records, a combination
    // with a modifier (or F1-F24) becomes that hotkey, Backspace or Delete alone clears it, Esc
    // cancels; otherwise Tab and Shift+Tab move the focus, Space and Enter press the focused
    // control and Esc closes the window. True when the key was used.
    bool KeyDown(std::uint32_t modifiers, std::uint32_t virtualKey);

    // The keyboard and screen readers (settings_form_keyboard.cpp): every control in reading
    // order; a control joins the keyboard by a line in that list. Each opening starts on the
    // first one.
    std::vector<AccessibleControl> AccessibleControls() const;
    KeyboardFocus& Focus() { return focus_; }
    const KeyboardFocus& Focus() const { return focus_; }
    static constexpr int kFirstControl = 1;

    const ImageControl* ClickableAt(int twipX, int twipY) const;
    bool ClickAt(int twipX, int twipY);
    std::vector<const ImageControl*> Images() const;
    std::vector<const LabelControl*> Labels() const;
    std::vector<const TextFieldControl*> TextFields() const;

private:
    void RefreshSchedule();

    MainForm& owner_;
    bool visible_ = false;
    int showCount_ = 0;
    std::optional<std::size_t> recording_;
    KeyboardFocus focus_{kFirstControl};
    std::optional<std::size_t> editing_;  // the field whose text is the user's, not the state's
    std::vector<PlaceMatch> found_;
};

}  // namespace qvx::app
