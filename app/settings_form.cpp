#include "app/settings_form.h"

#include <string>

#include "app/hotkey_text.h"
#include "app/main_form.h"
#include "app/main_form_internal.h"
#include "app/pause_time.h"
#include "app/schedule_settings.h"

namespace qvx::app {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr std::uint32_t kTextColour = 0xF0E8E2;  // RGB(226, 232, 240), red in the low byte
constexpr std::uint32_t kDimColour = 0xAF9B8C;   // RGB(140, 155, 175)
constexpr std::uint32_t kVkBack = 0x08;
constexpr std::uint32_t kVkDelete = 0x2E;

constexpr const char* kHotkeyActions[SettingsForm::kHotkeyRows] = {"调暖一档", "调冷一档",
                                                                   "暂停或恢复"};
constexpr std::uint32_t kWarningColour = 0x6060FF;  // light red, as the main window's notice

// The schedule column: each field's caption and box (pixels at 96 dpi).
struct FieldPlace {
    const char* caption;
    int captionLeft, boxLeft, top, boxWidth;
};
constexpr FieldPlace kFieldPlaces[SettingsForm::kFieldCount] = {
    {"地点", 540, 620, 196, 280},    {"白天开始", 540, 620, 150, 90},
    {"夜间开始", 730, 810, 150, 90}, {"纬度", 540, 620, 418, 90},
    {"经度", 730, 810, 418, 90},     {"渐变分钟", 540, 620, 470, 90},
    {"白天强度", 540, 620, 516, 90}, {"夜间强度", 730, 810, 516, 90},
};

int PlaceRowTop(std::size_t row) {
    return 236 + static_cast<int>(row) * 30;
}

// The window was laid out in pixels at 96 dpi.
TwipRect Px(int left, int top, int width, int height) {
    return {left * kTwipsPerPixel, top * kTwipsPerPixel, width * kTwipsPerPixel,
            height * kTwipsPerPixel};
}

ImageControl Image(TwipRect rect, Picture picture, bool visible = true) {
    ImageControl image;
    image.rect = rect;
    image.picture = picture;
    image.visible = visible;
    return image;
}

LabelControl Label(TwipRect rect, std::string text, int fontSize,
                   std::uint32_t colour = kTextColour) {
    LabelControl label;
    label.rect = rect;
    label.text = std::move(text);
    label.fontSize = fontSize;
    label.color = colour;
    return label;
}

bool Contains(const TwipRect& rect, int x, int y) {
    return x >= rect.left && x < rect.left + rect.width && y >= rect.top &&
           y < rect.top + rect.height;
}

int ProgramRowTop(std::size_t row) {
    return 280 + static_cast<int>(row) * 32;
}

int HotkeyRowTop(std::size_t row) {
    return 504 + static_cast<int>(row) * 38;
}

}  // namespace

SettingsForm::SettingsForm(MainForm& owner)
    : Background(Image(Px(0, 0, 980, 640), Picture::SettingsBackground)),
      CloseImage(Image(Px(934, 14, 32, 32), Picture::SettingsClose)),
      PauseHourImage(Image(Px(24, 96, 136, 36), Picture::PauseHourButton)),
      PauseMorningImage(Image(Px(172, 96, 136, 36), Picture::PauseMorningButton)),
      ResumeImage(Image(Px(320, 96, 96, 36), Picture::ResumeButton, false)),
      FullScreenOff(Image(Px(412, 150, 84, 32), Picture::SwitchOff)),
      FullScreenOn(Image(Px(412, 150, 84, 32), Picture::SwitchOn, false)),
      QuietOff(Image(Px(412, 192, 84, 32), Picture::SwitchOff, false)),
      QuietOn(Image(Px(412, 192, 84, 32), Picture::SwitchOn)),
      AddProgramImage(Image(Px(376, 240, 120, 32), Picture::AddProgramButton)),
      Title(Label(Px(24, 14, 200, 34), "设置", 15)),
      PauseCaption(Label(Px(24, 62, 120, 26), "暂停护眼", 11, kDimColour)),
      PauseState(Label(Px(150, 64, 340, 24), "", 10, main_form_detail::kLabelColor)),
      FullScreenCaption(Label(Px(24, 152, 360, 28), "全屏时暂停护眼", 11)),
      QuietCaption(Label(Px(24, 194, 360, 28), "全屏或演示时不打扰", 11)),
      ProgramsCaption(Label(Px(24, 244, 340, 26), "以下程序在前台时暂停护眼", 11, kDimColour)),
      MorePrograms(Label(Px(40, 440, 300, 22), "", 9, kDimColour)),
      HotkeysCaption(Label(Px(24, 470, 200, 26), "快捷键", 11, kDimColour)),
      HotkeyHint(Label(Px(24, 614, 480, 20),
                       "点击快捷键框后按下新的组合键；Backspace 清除，Esc 取消", 8, kDimColour)),
      ClockOption(Image(Px(540, 96, 140, 36), Picture::OptionOff)),
      ClockOptionOn(Image(Px(540, 96, 140, 36), Picture::OptionOn, false)),
      SunOption(Image(Px(692, 96, 170, 36), Picture::OptionOff)),
      SunOptionOn(Image(Px(692, 96, 170, 36), Picture::OptionOn, false)),
      ScheduleCaption(Label(Px(540, 62, 380, 26), "智能护眼时间表", 11, kDimColour)),
      ClockCaption(Label(Px(578, 102, 100, 24), "按时钟", 10)),
      SunCaption(Label(Px(722, 102, 136, 24), "按日出日落", 10)),
      PlaceState(Label(Px(540, 360, 420, 24), "", 10)),
      SunFallback(Label(Px(540, 386, 420, 24), "", 9, kWarningColour)),
      ScheduleHint(Label(Px(540, 566, 420, 40),
                         "输入后按回车确认；纬度北为正、经度东为正，地点也可输入“39.9, 116.4”", 8,
                         kDimColour)),
      owner_(owner) {
    for (std::size_t field = 0; field < kFieldCount; ++field) {
        const FieldPlace& at = kFieldPlaces[field];
        FieldBoxes[field] = Image(Px(at.boxLeft, at.top, at.boxWidth, 32), Picture::TextFieldBox);
        Fields[field].rect = Px(at.boxLeft + 8, at.top + 6, at.boxWidth - 16, 22);
        FieldCaptions[field] = Label(Px(at.captionLeft, at.top + 4, 76, 26), at.caption, 10);
    }
    for (std::size_t row = 0; row < kPlaceRows; ++row) {
        PlaceRows[row] = Image(Px(620, PlaceRowTop(row), 280, 28), Picture::PlaceRow, false);
        PlaceNames[row] = Label(Px(632, PlaceRowTop(row) + 3, 260, 24), "", 10);
    }
    for (std::size_t row = 0; row < kProgramRows; ++row) {
        const int top = ProgramRowTop(row);
        RemoveImages[row] = Image(Px(416, top, 80, 28), Picture::RemoveProgramButton, false);
        ProgramNames[row] = Label(Px(40, top + 3, 360, 24), "", 10);
    }
    for (std::size_t row = 0; row < kHotkeyRows; ++row) {
        const int top = HotkeyRowTop(row);
        HotkeyFields[row] = Image(Px(236, top, 260, 32), Picture::HotkeyField);
        HotkeyNames[row] = Label(Px(40, top + 4, 190, 26), kHotkeyActions[row], 10);
        HotkeyTexts[row] = Label(Px(250, top + 5, 236, 24), "", 10);
    }
}

void SettingsForm::Show() {
    recording_.reset();
    focus_.Set(kFirstControl);
    Refresh();
    visible_ = true;
    ++showCount_;
}

void SettingsForm::Hide() {
    recording_.reset();
    editing_.reset();
    visible_ = false;
}

void SettingsForm::Refresh() {
    using main_form_detail::SetLabelText;
    const bool paused = owner_.Paused();
    ResumeImage.visible = paused;
    SetLabelText(PauseState, paused ? owner_.Controls().PauseNotice.text : std::string());

    const AsideSettings& settings = owner_.Aside();
    FullScreenOn.visible = settings.fullScreenPause;
    FullScreenOff.visible = !settings.fullScreenPause;
    QuietOn.visible = settings.reminderQuiet;
    QuietOff.visible = !settings.reminderQuiet;

    const std::vector<std::string>& programs = settings.excluded;
    for (std::size_t row = 0; row < kProgramRows; ++row) {
        const bool used = row < programs.size();
        RemoveImages[row].visible = used;
        ProgramNames[row].color = kTextColour;
        SetLabelText(ProgramNames[row], used ? programs[row] : std::string());
    }
    if (programs.empty()) {
        ProgramNames[0].color = kDimColour;
        SetLabelText(ProgramNames[0], "尚未添加程序");
    }
    SetLabelText(MorePrograms,
                 programs.size() > kProgramRows
                     ? "还有 " + std::to_string(programs.size() - kProgramRows) + " 个"
                     : std::string());

    for (std::size_t row = 0; row < kHotkeyRows; ++row) {
        const bool recording = recording_ == row;
        HotkeyFields[row].picture =
            recording ? Picture::HotkeyFieldRecording : Picture::HotkeyField;
        const Hotkey& hotkey = owner_.HotkeyAt(row);
        std::string text = recording       ? "请按下组合键…"
                           : hotkey.None() ? "无"
                                           : FormatHotkey(hotkey);
        SetLabelText(HotkeyTexts[row], text);
    }
    RefreshSchedule();
}

void SettingsForm::RefreshSchedule() {
    using main_form_detail::SetLabelText;
    const ScheduleSettings& schedule = owner_.Schedule();
    const bool sun = schedule.kind == ScheduleKind::Sun;
    ClockOptionOn.visible = !sun;
    ClockOption.visible = sun;
    SunOptionOn.visible = sun;
    SunOption.visible = !sun;
    const std::string values[kFieldCount] = {
        Fields[kSearch].text,
        FormatClockTime(schedule.dayStart),
        FormatClockTime(schedule.nightStart),
        schedule.location ? FormatDegrees(schedule.location->latitude) : std::string(),
        schedule.location ? FormatDegrees(schedule.location->longitude) : std::string(),
        std::to_string(schedule.transitionMinutes),
        std::to_string(schedule.strengths.day),
        std::to_string(schedule.strengths.night),
    };
    for (std::size_t field = 0; field < kFieldCount; ++field) {
        // The field the user is typing in keeps the user's text.
        if (editing_ != field) {
            Fields[field].text = values[field];
        }
    }
    std::string place = "尚未选择地点";
    if (schedule.location) {
        place = "地点：";
        place += schedule.place.empty() ? "（坐标）" : schedule.place;
        place += "（";
        place += FormatDegrees(schedule.location->latitude);
        place += ", ";
        place += FormatDegrees(schedule.location->longitude);
        place += "）";
    }
    SetLabelText(PlaceState, place);
    SetLabelText(SunFallback, schedule.SunWithoutPlace()
                                  ? "按日出日落需要有效的地点，现按时钟时间表"
                                  : std::string());
    for (std::size_t row = 0; row < kPlaceRows; ++row) {
        const bool used = row < found_.size();
        PlaceRows[row].visible = used;
        SetLabelText(PlaceNames[row], used ? found_[row].name : std::string());
    }
}

void SettingsForm::ClockOption_Click() {
    owner_.SetScheduleKind(ScheduleKind::Clock);
}

void SettingsForm::SunOption_Click() {
    owner_.SetScheduleKind(ScheduleKind::Sun);
}

void SettingsForm::PlaceRow_Click(std::size_t row) {
    if (row >= found_.size()) {
        return;
    }
    const PlaceMatch chosen = found_[row];
    found_.clear();
    editing_.reset();
    Fields[kSearch].text.clear();
    owner_.SetLocation(chosen.location, chosen.name);
    // A place is chosen to follow the sun there.
    if (owner_.Schedule().kind != ScheduleKind::Sun) {
        owner_.SetScheduleKind(ScheduleKind::Sun);
    }
    Refresh();
}

void SettingsForm::FieldEdited(std::size_t field, std::string text) {
    if (field >= kFieldCount) {
        return;
    }
    editing_ = field;
    Fields[field].text = std::move(text);
    if (field == kSearch) {
        found_ = FindPlaces(Fields[kSearch].text, kPlaceRows);
        Refresh();
    }
}

void SettingsForm::FieldCommitted(std::size_t field) {
    if (field >= kFieldCount) {
        return;
    }
    editing_.reset();
    const std::string& text = Fields[field].text;
    const ScheduleSettings& schedule = owner_.Schedule();
    switch (field) {
        case kSearch:
            // Enter on the search takes the first place found.
            if (!found_.empty()) {
                PlaceRow_Click(0);
            }
            return;
        case kDayStart:
        case kNightStart: {
            const std::optional<int> minutes = ParseClockTime(text);
            if (!minutes) {
                break;
            }
            if (field == kDayStart && *minutes != schedule.dayStart) {
                owner_.SetDayStart(*minutes);
            } else if (field == kNightStart && *minutes != schedule.nightStart) {
                owner_.SetNightStart(*minutes);
            }
            break;
        }
        case kLatitude:
        case kLongitude: {
            const std::string latitude = field == kLatitude ? text : Fields[kLatitude].text;
            const std::string longitude = field == kLongitude ? text : Fields[kLongitude].text;
            const std::optional<Location> location = ParseLocation(latitude, longitude);
            if (location && location != schedule.location) {
                owner_.SetLocation(*location, "");
            } else if (!location && !schedule.location) {
                // The other half may still come: keep what was typed.
                editing_ = field;
                return;
            }
            break;
        }
        case kTransition:
            if (const auto minutes = ParseWholeNumber(text, 0, kLongestTransitionMinutes);
                minutes && *minutes != schedule.transitionMinutes) {
                owner_.SetTransitionMinutes(*minutes);
            }
            break;
        case kDayStrength:
        case kNightStrength:
            if (const auto position = ParseWholeNumber(text, 0, 50); position) {
                if (field == kDayStrength && *position != schedule.strengths.day) {
                    owner_.SetDayStrength(*position);
                } else if (field == kNightStrength && *position != schedule.strengths.night) {
                    owner_.SetNightStrength(*position);
                }
            }
            break;
        default:
            break;
    }
    // Applied, or not a value: the field shows what is in force.
    Refresh();
}

void SettingsForm::CloseImage_Click() {
    Hide();
}

void SettingsForm::PauseHourImage_Click() {
    owner_.PauseForHour();
}

void SettingsForm::PauseMorningImage_Click() {
    owner_.PauseUntilMorning();
}

void SettingsForm::ResumeImage_Click() {
    owner_.ResumeTint();
}

void SettingsForm::FullScreenOff_Click() {
    owner_.SetFullScreenPause(true);
}

void SettingsForm::FullScreenOn_Click() {
    owner_.SetFullScreenPause(false);
}

void SettingsForm::QuietOff_Click() {
    owner_.SetReminderQuiet(true);
}

void SettingsForm::QuietOn_Click() {
    owner_.SetReminderQuiet(false);
}

void SettingsForm::AddProgramImage_Click() {
    owner_.AddExcludedProgram();
}

void SettingsForm::RemoveImage_Click(std::size_t row) {
    owner_.RemoveExcludedProgram(row);
}

void SettingsForm::HotkeyField_Click(std::size_t row) {
    if (row >= kHotkeyRows) {
        return;
    }
    // A second click on the recording field stops recording.
    if (recording_ == row) {
        recording_.reset();
    } else {
        recording_ = row;
    }
    Refresh();
}

bool SettingsForm::KeyDown(std::uint32_t modifiers, std::uint32_t virtualKey) {
    if (!visible_) {
        return false;
    }
    if (!recording_) {
        const KeyAction action =
            NavigateByKey(focus_, AccessibleControls(), modifiers, virtualKey,
                          [this](int twipX, int twipY) { return ClickAt(twipX, twipY); });
        if (action == KeyAction::Escape) {
            Hide();
            return true;
        }
        return action != KeyAction::None;
    }
    const std::size_t row = *recording_;
    if (modifiers == 0 && virtualKey == kVkEscape) {
        recording_.reset();
        Refresh();
        return true;
    }
    if (modifiers == 0 && (virtualKey == kVkBack || virtualKey == kVkDelete)) {
        recording_.reset();
        owner_.SetHotkey(row, Hotkey{});
        return true;
    }
    const std::optional<Hotkey> hotkey = HotkeyFromKeys(modifiers, virtualKey);
    if (!hotkey) {
        return true;  // a modifier alone, or a key with no text form: keep listening
    }
    recording_.reset();
    owner_.SetHotkey(row, *hotkey);
    return true;
}

const ImageControl* SettingsForm::ClickableAt(int twipX, int twipY) const {
    if (!visible_) {
        return nullptr;
    }
    for (const ImageControl* image : Images()) {
        if (image != &Background && image->visible && Contains(image->rect, twipX, twipY)) {
            return image;
        }
    }
    return nullptr;
}

bool SettingsForm::ClickAt(int twipX, int twipY) {
    const ImageControl* image = ClickableAt(twipX, twipY);
    if (image == nullptr) {
        return false;
    }
    focus_.MoveTo(AccessibleControls(), twipX, twipY);
    if (image == &CloseImage) {
        CloseImage_Click();
    } else if (image == &PauseHourImage) {
        PauseHourImage_Click();
    } else if (image == &PauseMorningImage) {
        PauseMorningImage_Click();
    } else if (image == &ResumeImage) {
        ResumeImage_Click();
    } else if (image == &FullScreenOff) {
        FullScreenOff_Click();
    } else if (image == &FullScreenOn) {
        FullScreenOn_Click();
    } else if (image == &QuietOff) {
        QuietOff_Click();
    } else if (image == &QuietOn) {
        QuietOn_Click();
    } else if (image == &AddProgramImage) {
        AddProgramImage_Click();
    } else if (image == &ClockOption) {
        ClockOption_Click();
    } else if (image == &SunOption) {
        SunOption_Click();
    }
    for (std::size_t row = 0; row < kPlaceRows; ++row) {
        if (image == &PlaceRows[row]) {
            PlaceRow_Click(row);
            return true;
        }
    }
    for (std::size_t row = 0; row < kProgramRows; ++row) {
        if (image == &RemoveImages[row]) {
            RemoveImage_Click(row);
        }
    }
    for (std::size_t row = 0; row < kHotkeyRows; ++row) {
        if (image == &HotkeyFields[row]) {
            HotkeyField_Click(row);
        }
    }
    return true;
}

std::vector<const ImageControl*> SettingsForm::Images() const {
    std::vector<const ImageControl*> images = {
        &Background,    &CloseImage,   &PauseHourImage, &PauseMorningImage, &ResumeImage,
        &FullScreenOff, &FullScreenOn, &QuietOff,       &QuietOn,           &AddProgramImage};
    for (const ImageControl& image : RemoveImages) {
        images.push_back(&image);
    }
    for (const ImageControl& image : HotkeyFields) {
        images.push_back(&image);
    }
    for (const ImageControl* image : {&ClockOption, &ClockOptionOn, &SunOption, &SunOptionOn}) {
        images.push_back(image);
    }
    for (const ImageControl& image : FieldBoxes) {
        images.push_back(&image);
    }
    for (const ImageControl& image : PlaceRows) {
        images.push_back(&image);
    }
    return images;
}

std::vector<const LabelControl*> SettingsForm::Labels() const {
    std::vector<const LabelControl*> labels = {
        &Title,           &PauseCaption, &PauseState,     &FullScreenCaption, &QuietCaption,
        &ProgramsCaption, &MorePrograms, &HotkeysCaption, &HotkeyHint};
    for (const LabelControl& label : ProgramNames) {
        labels.push_back(&label);
    }
    for (std::size_t row = 0; row < kHotkeyRows; ++row) {
        labels.push_back(&HotkeyNames[row]);
        labels.push_back(&HotkeyTexts[row]);
    }
    for (const LabelControl* label :
         {&ScheduleCaption, &ClockCaption, &SunCaption, &PlaceState, &SunFallback, &ScheduleHint}) {
        labels.push_back(label);
    }
    for (const LabelControl& label : FieldCaptions) {
        labels.push_back(&label);
    }
    for (const LabelControl& label : PlaceNames) {
        labels.push_back(&label);
    }
    return labels;
}

std::vector<const TextFieldControl*> SettingsForm::TextFields() const {
    std::vector<const TextFieldControl*> fields;
    for (const TextFieldControl& field : Fields) {
        fields.push_back(&field);
    }
    return fields;
}

}  // namespace qvx::app
