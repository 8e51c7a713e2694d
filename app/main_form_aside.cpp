// Stepping aside: pausing for a while, the window in front (full-screen or a chosen program),
// the hotkeys, the settings window's changes and the reminder's quiet moments.

#include <algorithm>

#include "app/hotkey_text.h"
#include "app/main_form.h"
#include "app/main_form_internal.h"
#include "app/main_module.h"
#include "app/pause_time.h"
#include "app/step_aside.h"
#include "tint/presets.h"

namespace qvx::app {

using namespace main_form_detail;

namespace {

constexpr const char* kHotkeyTitle = "Quorvex：快捷键不可用";
constexpr std::int32_t kSnoozeMinutes = 5;

const char* FlagText(bool on) {
    return on ? "1" : "0";
}

const char* HotkeyValueName(std::size_t which) {
    switch (which) {
        case 0:
            return aside_names::kHotkeyWarmer;
        case 1:
            return aside_names::kHotkeyCooler;
        default:
            return aside_names::kHotkeyPause;
    }
}

}  // namespace

void MainForm::LoadAside() {
    // A value stored empty is a choice of its own (no hotkey); a missing one takes its default.
    aside_ = LoadAsideSettings([this](const std::string& name) -> std::optional<std::string> {
        constexpr std::uint32_t kNotStored = 0xFFFFFFFF;  // a read leaves it when nothing is there
        std::uint32_t type = kNotStored;
        std::string text =
            ports_.registry.ReadRegValue(HKEY_CURRENT_USER_ROOT, Names().quorvexKey, name, type);
        if (type == kNotStored) {
            return std::nullopt;
        }
        return text;
    });
    const std::string stored = ReadValue(aside_names::kPauseUntil);
    pauseEnd_ = PauseEndFromStored(stored, ports_.wallClock.UtcNow());
    if (!pauseEnd_ && !stored.empty()) {
        // Over, malformed or too far ahead to be ours: not paused, and said so in the registry.
        WriteValue(aside_names::kPauseUntil, "");
    }
    ShowPauseState();
    UpdateAside();
    RegisterHotkeys();
}

void MainForm::UpdateAside() {
    tint::Aside next;
    if (pauseEnd_) {
        const std::int64_t now = ports_.wallClock.UtcNow();
        // Ends on time, and also when the clock was set back so far that the end lies beyond
        // any pause the program sets.
        if (now >= *pauseEnd_ || *pauseEnd_ - now > kPauseLongestSeconds) {
            EndPause();
        } else {
            next.all = true;
            ShowPauseState();
        }
    }
    if (!next.all && (aside_.fullScreenPause || !aside_.excluded.empty())) {
        next.displays =
            DisplaysSteppingAside(ports_.desktop.Foreground(), ports_.desktop.Monitors(),
                                  AsideRules{aside_.fullScreenPause, aside_.excluded});
    }
    tint_.SetAside(std::move(next));
}

void MainForm::ApplyTintNow() {
    if (ended_) {
        return;
    }
    UpdateAside();
    NoteTintLoad(tint_.ApplyPosition(controls_.RGBSlider.position, ports_.gamma));
}

void MainForm::StartPause(std::int64_t endUtc) {
    pauseEnd_ = endUtc;
    WriteValue(aside_names::kPauseUntil, FormatUtcTime(endUtc));
    ShowPauseState();
    ApplyTintNow();
}

void MainForm::EndPause() {
    if (!pauseEnd_) {
        return;
    }
    pauseEnd_.reset();
    WriteValue(aside_names::kPauseUntil, "");
    ShowPauseState();
}

void MainForm::PauseForHour() {
    StartPause(ports_.wallClock.UtcNow() + kPauseHourSeconds);
}

void MainForm::PauseUntilMorning() {
    const std::int64_t now = ports_.wallClock.UtcNow();
    // The schedule's next day start (sunrise, or the set day start); 07:00 when none lies
    // within the longest pause (the sun stays down for days).
    const std::optional<std::int64_t> dayStart =
        tint::NextDayStart(ScheduleChanges(schedule_, ports_.wallClock, now), now);
    StartPause(dayStart && *dayStart - now <= kPauseLongestSeconds
                   ? *dayStart
                   : NextLocalTime(ports_.wallClock, now, kMorningHour, 0));
}

void MainForm::ResumeTint() {
    if (!pauseEnd_) {
        return;
    }
    EndPause();
    ApplyTintNow();
}

void MainForm::UserChoseTint() {
    // With smart mode on, the choice holds until the schedule's next change begins.
    HoldSchedule();
    // The position the user chose may equal the current one: the ramp is loaded all the same.
    ResumeTint();
}

void MainForm::HuiFuImage_Click() {
    ResumeTint();
}

void MainForm::SheZhiImage_Click() {
    settings_.Show();
}

void MainForm::ShowPauseState() {
    LabelControl& line = controls_.PauseNotice;
    if (pauseEnd_) {
        // Read again every tick while paused: the time zone may have changed.
        const std::string text = PausedText(ports_.wallClock, *pauseEnd_);
        if (line.visible && line.text == text) {
            return;
        }
        SetLabelText(line, text);
        line.visible = true;
        controls_.HuiFuImage.visible = true;
        // The pause line stands where the refusal line does.
        controls_.GammaNotice.visible = false;
        controls_.GammaNotice.text.clear();
        controls_.ScheduleNotice.visible = false;
    } else {
        line.visible = false;
        line.text.clear();
        controls_.HuiFuImage.visible = false;
    }
    settings_.Refresh();
}

void MainForm::SetFullScreenPause(bool on) {
    aside_.fullScreenPause = on;
    WriteValue(aside_names::kFullScreenPause, FlagText(on));
    settings_.Refresh();
    ApplyTintNow();
}

void MainForm::SetReminderQuiet(bool on) {
    aside_.reminderQuiet = on;
    WriteValue(aside_names::kReminderQuiet, FlagText(on));
    settings_.Refresh();
}

void MainForm::AddExcludedProgram() {
    const std::optional<std::string> path = ports_.picker.ChooseProgram();
    if (!path) {
        return;
    }
    const std::string name = ProgramFileName(*path);
    if (name.empty() || ProgramListed(aside_.excluded, name)) {
        return;
    }
    aside_.excluded.push_back(name);
    WriteValue(aside_names::kExcludedPrograms, FormatProgramList(aside_.excluded));
    settings_.Refresh();
    ApplyTintNow();
}

void MainForm::RemoveExcludedProgram(std::size_t index) {
    if (index >= aside_.excluded.size()) {
        return;
    }
    aside_.excluded.erase(aside_.excluded.begin() + static_cast<std::ptrdiff_t>(index));
    WriteValue(aside_names::kExcludedPrograms, FormatProgramList(aside_.excluded));
    settings_.Refresh();
    ApplyTintNow();
}

const Hotkey& MainForm::HotkeyAt(std::size_t which) const {
    switch (which) {
        case 0:
            return aside_.warmer;
        case 1:
            return aside_.cooler;
        default:
            return aside_.pause;
    }
}

void MainForm::SetHotkey(std::size_t which, const Hotkey& hotkey) {
    if (which > 2) {
        return;
    }
    Hotkey* slots[3] = {&aside_.warmer, &aside_.cooler, &aside_.pause};
    // One combination serves one action: taken from another action, that one is left without.
    for (std::size_t i = 0; i < 3; ++i) {
        if (i != which && !hotkey.None() && *slots[i] == hotkey) {
            *slots[i] = Hotkey{};
            WriteValue(HotkeyValueName(i), "");
        }
    }
    *slots[which] = hotkey;
    WriteValue(HotkeyValueName(which), FormatHotkey(hotkey));
    RegisterHotkeys();
    settings_.Refresh();
}

void MainForm::RegisterHotkeys() {
    const int ids[3] = {kHotkeyWarmer, kHotkeyCooler, kHotkeyPause};
    std::vector<std::string> held;
    for (std::size_t i = 0; i < 3; ++i) {
        ports_.hotkeys.Unregister(ids[i]);
        const Hotkey& hotkey = HotkeyAt(i);
        if (hotkey.None()) {
            continue;
        }
        if (ports_.hotkeys.Register(ids[i], hotkey) == HotkeyRegistration::HeldByAnother) {
            std::string text = FormatHotkey(hotkey);
            if (std::find(hotkeysReported_.begin(), hotkeysReported_.end(), text) ==
                hotkeysReported_.end()) {
                held.push_back(std::move(text));
            }
        }
    }
    if (held.empty() || !trayAdded_) {
        return;
    }
    std::string names;
    for (const std::string& text : held) {
        names += names.empty() ? text : "、" + text;
    }
    // Said once per combination and run; the user can choose another in the settings window.
    if (ports_.tray.ShowBalloon(trayRecord_, kHotkeyTitle,
                                "快捷键 " + names + " 已被其他程序占用，请在设置中另选。")) {
        hotkeysReported_.insert(hotkeysReported_.end(), held.begin(), held.end());
    }
}

void MainForm::HotkeyPressed(int id) {
    if (ended_) {
        return;
    }
    const int position = controls_.RGBSlider.position;
    switch (id) {
        case kHotkeyWarmer:
            UserChoseTint();
            SetSliderPosition(tint::NextPresetPosition(position, +1));
            break;
        case kHotkeyCooler:
            UserChoseTint();
            SetSliderPosition(tint::NextPresetPosition(position, -1));
            break;
        case kHotkeyPause:
            if (pauseEnd_) {
                ResumeTint();
            } else {
                PauseForHour();
            }
            break;
        default:
            break;
    }
}

void MainForm::DisplaysAwake() {
    if (ended_) {
        return;
    }
    // A display that powered on may be one the desktop did not list before.
    ports_.gamma.DisplaysChanged();
    ApplyTintNow();
}

bool MainForm::ReminderMustWait() {
    return aside_.reminderQuiet && QuietMoment(ports_.desktop);
}

void MainForm::SnoozeReminder() {
    reminder_.Hide();
    restCountdown_ = kSnoozeMinutes;
    minuteTicks_ = 0;
    ShowCountdown();
}

}  // namespace qvx::app
