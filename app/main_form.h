#pragma once
// The main window of quorvex: owner of all run-time state, its start-up, the one-second session
// tick, the tray icon, the switches with auto-start, the usage counters and the rest reminder
// with its pop-up MsgForm. The Win32 window (app/win32/) paints Controls() and turns messages
// into the handler calls below; it holds no state of its own.
//
// One class, its members grouped by file:
//   main_form.cpp          construction, controls, click routing, slider, visibility
//   main_form_startup.cpp  Form_Load, the session tick, orderly ends
//   main_form_tray.cpp     single instance, tray icon, GetWindowIcon, website links
//   main_form_display_notice.cpp  displays listed again, the notice of a refused tint
//   main_form_settings.cpp switches, auto-start, presets and smart mode
//   main_form_schedule.cpp the smart mode's schedule while running, its settings, its line
//   main_form_counters.cpp usage counters and day roll-over
//   main_form_reminder.cpp activity check, countdown, MsgForm
//   main_form_keyboard.cpp the controls as the keyboard and screen readers meet them

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/aside_settings.h"
#include "app/desktop_ports.h"
#include "app/form_controls.h"
#include "app/form_keyboard.h"
#include "app/main_form_ports.h"
#include "app/schedule_settings.h"
#include "app/settings_form.h"
#include "report/server_exchange.h"
#include "tint/gamma_ramp.h"

namespace qvx::app {

class MainModule;
class MainForm;

struct MainFormControls {
    SliderControl RGBSlider;  // 440, 1250, 10400 x 275

    LabelControl PcVer;
    LabelControl PLSYSJ;
    LabelControl Fen;
    LabelControl KJSC;
    LabelControl LJSY;
    LabelControl BCSC;
    LabelControl ZDSC;
    // A line in the tint panel's title row, shown while a display keeps refusing the tint;
    // empty otherwise.
    LabelControl GammaNotice;
    // "已暂停，HH:MM 恢复" in the tint panel's title row while the tint is paused (in place of
    // the refusal line: a paused display shows no tint to refuse); empty otherwise.
    LabelControl PauseNotice;
    // What the smart mode's schedule does next ("日落 16:52 起渐变至 33"), in the same place,
    // while smart mode is on and neither of the two lines above stands there; empty otherwise.
    LabelControl ScheduleNotice;

    // Images, declared in paint order (back to front); see ImagesInPaintOrder().
    ImageControl Background;  // 750 x 450 px
    ImageControl Logo;
    ImageControl TintPanel;
    ImageControl SettingsPanel;
    ImageControl CounterPanel;
    ImageControl TuiChuImage;
    ImageControl YinCangImage;
    ImageControl SheZhiImage;  // opens the settings window
    ImageControl HuiFuImage;   // ends a pause, shown while paused
    ImageControl ZNHY;
    ImageControl ZNHY_XUAN;
    ImageControl PLTX;
    ImageControl PLTX_XUAN;
    ImageControl KJQD;
    ImageControl KJQD_XUAN;
    ImageControl RGBImage01;
    ImageControl RGBImage02;
    ImageControl RGBImage03;
    ImageControl RGBImage04;
    ImageControl RGBImage05;
    ImageControl RGBImage06;
    ImageControl RGBImage07;
    ImageControl RGBImage01_xuan;
    ImageControl RGBImage02_xuan;
    ImageControl RGBImage03_xuan;
    ImageControl RGBImage04_xuan;
    ImageControl RGBImage05_xuan;
    ImageControl RGBImage06_xuan;
    ImageControl RGBImage07_xuan;
    ImageControl gangwang;
    ImageControl xiazaidizhi;

    MainFormControls();

    static constexpr std::size_t kLabelCount = 10;
    static constexpr std::size_t kImageCount = 31;
    // Every label, in the order the window paints them (over the images).
    std::array<const LabelControl*, kLabelCount> LabelsInPaintOrder() const;
    // Every image, back to front: paint in this order, hit-test in reverse.
    std::array<const ImageControl*, kImageCount> ImagesInPaintOrder() const;
    // The seven selected-state overlays, index 0 = RGBImage01_xuan (preset 1).
    std::array<ImageControl*, 7> PresetOverlays();
    std::array<const ImageControl*, 7> PresetOverlays() const;
};

// Client area of the main window: 11295 x 6780 twips.
inline constexpr int kMainClientWidthTwips = 11295;
inline constexpr int kMainClientHeightTwips = 6780;

struct MainFormPorts {
    MainModule& registry;
    tint::GammaDisplay& gamma;  // every display's device context, held while the display exists
    Clock& clock;
    IdleClock& idle;
    ProcessTable& processes;
    TrayIcon& tray;
    IconFiles& icons;
    Shell& shell;
    MessageBoxes& messages;
    ProgramHost& host;
    // The once-per-run server exchange.
    report::HttpPoster& http;
    report::MacSource& macs;
    report::Prompt& prompt;
    report::ProgramLauncher& launcher;
    // Stepping aside, pausing, hotkeys and the settings window.
    Desktop& desktop;
    Hotkeys& hotkeys;
    ProgramPicker& picker;
    WallClock& wallClock;
    // Where the exchange's requests run; none: on the window thread, at once.
    report::Background* background = nullptr;
};

// The rest reminder pop-up: modeless, topmost, colour-keyed like the main window. Loaded on its
// first showing, hidden (never destroyed) by its two images.
class MsgForm {
public:
    explicit MsgForm(MainForm& owner);

    ImageControl Background;  // 488 x 451 px
    ImageControl Image2;      // switch the reminder off and close
    ImageControl Image3;      // close
    ImageControl Image4;      // "5分钟后提醒": close, and remind again in 5 minutes

    static constexpr int kClientWidthTwips = 7335;
    static constexpr int kClientHeightTwips = 6780;

    bool Visible() const { return visible_; }
    // Once loaded the window is made topmost and colour-keyed; it stays loaded for the run.
    bool Loaded() const { return loaded_; }
    // How many times it was shown (for the window: a new showing brings it to the front).
    int ShowCount() const { return showCount_; }

    void Show();  // loads on first use, then makes it visible
    void Hide() { visible_ = false; }

    void Image2_Click();
    void Image3_Click();
    void Image4_Click();
    // The visible clickable image at this point, or none: the one place that says what a press
    // on the pop-up clicks (a press elsewhere moves the window).
    const ImageControl* ClickableAt(int twipX, int twipY) const;
    // Runs the handler of the visible image at this point; false when none is there. The
    // keyboard focus moves to the choice pressed.
    bool ClickAt(int twipX, int twipY);

    // The keyboard and screen readers (main_form_keyboard.cpp): its choices "关闭", "不再提醒",
    // "5分钟后提醒" and its message; each showing starts on "关闭".
    std::vector<AccessibleControl> AccessibleControls() const;
    KeyboardFocus& Focus() { return focus_; }
    const KeyboardFocus& Focus() const { return focus_; }
    static constexpr int kCloseControl = 1;
    // Tab, Shift+Tab, Space, Enter; Esc is the close choice. True when the key was used.
    bool KeyDown(std::uint32_t modifiers, std::uint32_t virtualKey);

private:
    MainForm& owner_;
    KeyboardFocus focus_;
    bool loaded_ = false;
    bool visible_ = false;
    int showCount_ = 0;
};

class MainForm : public report::ExchangeHost {
public:
    explicit MainForm(MainFormPorts ports);
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    // Start-up: runs once, then the window is visible.
    void Form_Load();
    // One session tick: server exchange, activity check, countdown and use counters, run-time
    // counter with the periodic save, day roll-over, tint refresh.
    void SendInfoTimer_Timer();

    // The topmost visible clickable image at this point, or none: the one place that says what
    // a press on the main window clicks (a press elsewhere moves the window).
    const ImageControl* ClickableAt(int twipX, int twipY) const;
    // Runs the click handler of the topmost visible clickable image at this point; the
    // keyboard focus moves to the control pressed.
    bool ClickAt(int twipX, int twipY);

    // The keyboard and screen readers (main_form_keyboard.cpp). Every control in reading order:
    // the slider, "恢复" while paused, the presets 0 to 50, the three switches, the countdown
    // and counters, "设置", "隐藏", "退出", the two links. The focus starts on the slider.
    std::vector<AccessibleControl> AccessibleControls() const;
    KeyboardFocus& Focus() { return focus_; }
    const KeyboardFocus& Focus() const { return focus_; }
    static constexpr int kSliderControl = 1;
    // Tab, Shift+Tab, Space, Enter; Esc hides the window as "隐藏" does. True when used.
    bool KeyDown(std::uint32_t modifiers, std::uint32_t virtualKey);
    // A committed slider position from the window (release, arrows, page, keys).
    void RGBSlider_Scroll(int position);
    // A program write of the slider: the change handler runs only when the position differs.
    void SetSliderPosition(int position);
    void RGBSlider_Change();

    // Mouse-move messages of the window; tray notifications arrive here too (wParam = tray id,
    // lParam = the mouse message on the icon).
    void Form_MouseMove(std::uintptr_t wParam, std::intptr_t lParam);
    // Explorer restarted (the "TaskbarCreated" message): the tray icon is added again.
    void TaskbarCreated();
    // A display was plugged in or out, or its mode changed (WM_DISPLAYCHANGE): the displays
    // are listed again; the next refresh loads the ramp into each within a second.
    void DisplaysChanged();

    // Orderly ends besides the exit image; each restores the identity ramp, stores the day's
    // counters and removes the tray icon, once whatever the mix of paths.
    void Form_Unload();
    void Form_Terminate();
    void EndSession();

    // Click handlers.
    void TuiChuImage_Click();
    void YinCangImage_Click();
    void gangwang_Click();
    void xiazaidizhi_Click();
    void RGBImage01_Click();
    void RGBImage02_Click();
    void RGBImage03_Click();
    void RGBImage04_Click();
    void RGBImage05_Click();
    void RGBImage06_Click();
    void RGBImage07_Click();
    void ZNHY_Click();
    void ZNHY_XUAN_Click();
    void PLTX_Click();
    void PLTX_XUAN_Click();
    void KJQD_Click();
    void KJQD_XUAN_Click();
    void SheZhiImage_Click();
    void HuiFuImage_Click();

    // Pausing: every display shows the identity ramp until the end, stored as "PauseUntil".
    void PauseForHour();
    // Until the schedule's next day start (07:00 local time with the default schedule).
    void PauseUntilMorning();
    // Ends a pause (a user's choice of tint ends it too).
    void ResumeTint();
    bool Paused() const { return pauseEnd_.has_value(); }
    std::optional<std::int64_t> PauseEnd() const { return pauseEnd_; }

    // The settings window's changes, each applied and stored at once.
    const AsideSettings& Aside() const { return aside_; }
    void SetFullScreenPause(bool on);
    void SetReminderQuiet(bool on);
    // Asks for a program with the file dialog and adds its file name.
    void AddExcludedProgram();
    void RemoveExcludedProgram(std::size_t index);
    // 0 warmer, 1 cooler, 2 pause; a hotkey with no key clears it.
    void SetHotkey(std::size_t which, const Hotkey& hotkey);
    const Hotkey& HotkeyAt(std::size_t which) const;

    // The smart mode's schedule, each change applied and stored at once; with smart mode on,
    // the slider goes to the schedule's point at once, as when the switch is turned on.
    const ScheduleSettings& Schedule() const { return schedule_; }
    void SetScheduleKind(ScheduleKind kind);
    void SetDayStart(int minutes);
    void SetNightStart(int minutes);
    void SetLocation(const Location& location, const std::string& place);
    void SetTransitionMinutes(int minutes);
    void SetDayStrength(int position);
    void SetNightStrength(int position);
    // A user's choice of tint made while smart mode is on holds until the next change begins.
    bool ScheduleHeld() const { return holding_; }

    // A registered hotkey was pressed (its id: kHotkeyWarmer, kHotkeyCooler, kHotkeyPause).
    void HotkeyPressed(int id);
    static constexpr int kHotkeyWarmer = 1;
    static constexpr int kHotkeyCooler = 2;
    static constexpr int kHotkeyPause = 3;

    // The session was unlocked, the PC woke or a display powered on: the tint is loaded again
    // now rather than on the next tick.
    void DisplaysAwake();
    // The reminder's "5分钟后提醒".
    void SnoozeReminder();

    void KillMeProcessID(const std::string& imageName);
    std::uintptr_t GetWindowIcon(std::uintptr_t window, std::string& iconFile, std::int16_t index);

    // Settings.
    void LoadSwitches();
    void SaveSwitches();
    bool ApplyAutoStart();
    void SetReminderSwitch(std::int16_t v);
    // The Run value's data for the running program.
    std::string AutoStartCommand();

    const MainFormControls& Controls() const { return controls_; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    MsgForm& Reminder() { return reminder_; }
    const MsgForm& Reminder() const { return reminder_; }
    SettingsForm& Settings() { return settings_; }
    const SettingsForm& Settings() const { return settings_; }

    int SendInfoTimerInterval() const { return sendInfoTimerInterval_; }
    bool SendInfoTimerEnabled() const { return sendInfoTimerEnabled_; }
    // True once an orderly end ran: the window then destroys itself.
    bool Ended() const { return ended_; }

    // Run-time state, in the order the program keeps it.
    const tint::TintEngine& Tint() const { return tint_; }
    const TrayRecord& Tray() const { return trayRecord_; }
    bool TrayAdded() const { return trayAdded_; }
    std::int16_t ZNHYSwitch() const { return znhy_; }
    std::int16_t PLTXSwitch() const { return pltx_; }
    std::int16_t KJQDSwitch() const { return kjqd_; }
    std::int32_t KJSCSeconds() const { return kjsc_; }
    std::int32_t LJSYSeconds() const { return ljsy_; }
    std::int32_t BCSCSeconds() const { return bcsc_; }
    std::int32_t ZDSCSeconds() const { return zdsc_; }
    std::int32_t RestCountdown() const { return restCountdown_; }
    std::int16_t MinuteTickCounter() const { return minuteTicks_; }
    std::int16_t ActiveFlag() const { return active_; }
    std::int16_t SaveTickCounter() const { return saveTicks_; }
    bool ExchangeDone() const { return exchange_.ExchangeDone(); }
    const std::string& OwnVersion() const { return ownVersion_; }
    const std::string& LastVersionReply() const { return exchange_.LastVersionReply(); }

    // Host side of the server exchange.
    void HideMainWindow() override;
    void ShowMainWindow() override;
    std::string ReadPostServer() override;
    void StorePostServer() override;
    std::string ReadStatsHost() override;
    void EndForUpdate() override;

private:
    enum class TintAtEnd { Restore, Keep };

    // main_form_startup.cpp
    void Tick();
    void OrderlyEnd(TintAtEnd tint);
    bool ServerExchangeStep();  // false: the program is ending for the updater

    // main_form_tray.cpp
    void AddTrayIcon();
    void RemoveTrayIcon();

    // main_form_display_notice.cpp
    // Every load's answer: refused several times in a row, the user is told (the line in the
    // window, the balloon once per run); accepted, the line goes.
    void NoteTintLoad(bool accepted);

    // main_form_settings.cpp
    void ApplyInitialTint();
    void ApplyReminderSwitchAtStart();
    void ApplyAutoStartSwitchAtStart();
    void UpdatePresetHighlight(int v);
    void StoreStrength(int v);
    int StoredStrengthPosition();
    std::int16_t LoadSwitch(const std::string& name);

    // main_form_aside.cpp
    void LoadAside();
    // Which displays step aside now (a pause, the window in front), for the next load.
    void UpdateAside();
    // The tint loaded at once with what steps aside now (a pause begun or ended, a setting).
    void ApplyTintNow();
    void StartPause(std::int64_t endUtc);
    void EndPause();
    // A user's choice of tint (slider, preset, hotkey) ends a pause.
    void UserChoseTint();
    void ShowPauseState();
    void RegisterHotkeys();
    // The reminder is due while a full-screen program or presentation is in front.
    bool ReminderMustWait();

    // main_form_schedule.cpp
    void LoadSchedule();
    tint::SchedulePoint SchedulePointAt(std::int64_t nowUtc);
    // Start-up, the switch turned on, a schedule setting changed: the strength of the phase in
    // force, a transition under way taken as done (no fade at start).
    int ScheduleStartPosition();
    // Every tick: the slider follows the schedule unless a user's choice holds.
    void FollowSchedule();
    void HoldSchedule();
    void ShowScheduleLine(const tint::SchedulePoint& point, std::int64_t nowUtc);
    void ApplyScheduleNow();

    // main_form_counters.cpp
    void RestoreDayCounters();
    void AdvanceUseCounters();
    void WriteUseLabels();
    void AdvanceRunCounter();
    void StoreCounters();
    void DayRollOver();
    // A stored date other than today: today is stored and the day's totals start at 0.
    bool StartNewDayIfDateChanged();
    void FormatToday(char (&out)[11]);
    // Values under Software\quorvex, string type.
    std::string ReadValue(const std::string& name);
    void WriteValue(const std::string& name, std::string_view text);
    void WriteNumber(const std::string& name, std::int32_t value);

    // main_form_reminder.cpp
    void ActivityCheck();
    void ReminderStep();
    void ShowCountdown();

    MainFormPorts ports_;
    MainFormControls controls_;
    KeyboardFocus focus_{kSliderControl};
    MsgForm reminder_;
    SettingsForm settings_;

    tint::TintEngine tint_;  // BaseRamp, OutputRamp, LastTintRefresh, NudgeCount
    TrayRecord trayRecord_;
    bool trayAdded_ = false;
    int refusedLoads_ = 0;         // loads refused in a row by some display
    bool refusalBalloon_ = false;  // the shell took the balloon this run
    std::int16_t znhy_ = 0;
    std::int16_t pltx_ = 0;
    std::int16_t kjqd_ = 0;
    std::int32_t kjsc_ = 0;
    std::int32_t ljsy_ = 0;
    std::int32_t bcsc_ = 0;
    std::int32_t zdsc_ = 0;
    std::int32_t restCountdown_ = 45;
    std::int16_t minuteTicks_ = 0;
    std::int16_t active_ = 0;
    std::int16_t saveTicks_ = 0;
    report::ServerExchange exchange_;  // exchange-done flag, last version reply
    std::string ownVersion_;

    bool visible_ = false;
    int sendInfoTimerInterval_ = 0;
    bool sendInfoTimerEnabled_ = false;
    bool ended_ = false;
    bool tickRunning_ = false;
    AsideSettings aside_;
    std::optional<std::int64_t> pauseEnd_;  // UTC
    ScheduleSettings schedule_;
    // A user's choice holds while the schedule's next change is still this one (UTC; the
    // largest value when none was ahead).
    bool holding_ = false;
    std::int64_t holdNext_ = 0;
    // The change the slider moves for: when it began, the position it moves from, and the
    // position the schedule last wrote (the schedule writes only when that changes).
    std::int64_t scheduleBegun_ = 0;
    int scheduleOrigin_ = 0;
    int scheduleWrote_ = -1;
    // The schedule's changes around now, worked out again once a minute, when the clock jumped
    // or the local time's offset changed (a time zone or daylight change), or a setting did:
    // each working-out asks the time zone many times, too dear for every tick.
    std::optional<tint::ChangeList> changes_;
    std::int64_t changesAt_ = 0;      // UTC
    std::int64_t changesOffset_ = 0;  // local minus UTC, seconds
    // Combinations another program holds, said once per run each.
    std::vector<std::string> hotkeysReported_;
    // What the labels show, so a tick reformats a label only when its value changed.
    std::int32_t shownCountdown_ = 45;
};

}  // namespace qvx::app
