#pragma once
// The retained view model of the program's windows. Handlers change these plain values; the
// Win32 window paints them and turns messages into handler calls. Positions are in twips
// (15 twips = 1 pixel at 96 dpi), as the forms were laid out.

#include <cstdint>
#include <string>

namespace qvx::app {

struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TwipRect&) const = default;
};

// Which picture an image control shows; the window draws each one (no picture files).
enum class Picture : std::uint8_t {
    None,
    MainBackground,
    Logo,
    ExitButton,
    HideButton,
    WebsiteButton,
    DownloadLink,
    SmartOff,
    SmartOn,
    ReminderOff,
    ReminderOn,
    AutoStartOff,
    AutoStartOn,
    Preset01,  // strongest (50) ... Preset07 weakest (0)
    Preset02,
    Preset03,
    Preset04,
    Preset05,
    Preset06,
    Preset07,
    PresetSelected01,
    PresetSelected02,
    PresetSelected03,
    PresetSelected04,
    PresetSelected05,
    PresetSelected06,
    PresetSelected07,
    ReminderBackground,
    ReminderClose,
    ReminderNeverAgain,
    // Decorative backdrops of the main window's three areas (tint, switches, counters); they
    // carry the captions of the controls placed on them.
    TintPanel,
    SettingsPanel,
    CounterPanel,
    // The "设置" pill of the main window and the "恢复" pill of a pause.
    SettingsButton,
    ResumeButton,
    // The reminder's third choice, "5分钟后提醒".
    ReminderSnooze,
    // The settings window: its backdrop, close cross, pills, switches and hotkey fields.
    SettingsBackground,
    SettingsClose,
    PauseHourButton,
    PauseMorningButton,
    SwitchOff,
    SwitchOn,
    AddProgramButton,
    RemoveProgramButton,
    HotkeyField,
    HotkeyFieldRecording,
    // The schedule section: a choice pill off / on (its caption is a label), a text field's
    // box (the window puts an edit control in it), a found place's row.
    OptionOff,
    OptionOn,
    TextFieldBox,
    PlaceRow,
};

struct ImageControl {
    TwipRect rect;
    Picture picture = Picture::None;
    bool visible = true;
    bool operator==(const ImageControl&) const = default;
};

struct LabelControl {
    TwipRect rect;
    std::string text;  // UTF-8
    std::string fontName = "微软雅黑";
    int fontSize = 9;                // points
    std::uint32_t color = 0x000000;  // COLORREF layout: red in the low byte
    bool visible = true;
    bool operator==(const LabelControl&) const = default;
    // A label paints nothing while hidden or empty.
    bool Shows() const { return visible && !text.empty(); }
};

// A line of text the user types; the window shows an edit control in its rectangle, reports
// each edit and the moment it is committed (Enter, or the focus leaving it).
struct TextFieldControl {
    TwipRect rect;
    std::string text;  // UTF-8
    bool visible = true;
};

// A slider whose change handler runs only when its position really changes; the window never
// reports the intermediate positions of a drag, only the one where the thumb is released.
struct SliderControl {
    TwipRect rect;
    int min = 0;
    int max = 50;
    int position = 0;
    bool visible = true;
};

}  // namespace qvx::app
