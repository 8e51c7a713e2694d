// Start-up, the session tick and the orderly ends of the main window.

#include "app/main_form.h"
#include "app/main_form_internal.h"
#include "report/stats_address.h"

namespace qvx::app {

using namespace main_form_detail;

void MainForm::Form_Load() {
    // 1. Only one copy runs: the newest one, this one.
    KillMeProcessID(ports_.host.ProgramBaseName() + ".EXE");
    // 2. The day's counters.
    RestoreDayCounters();
    // 3. Reminder state.
    restCountdown_ = kRestMinutes;
    minuteTicks_ = 0;
    active_ = 0;
    saveTicks_ = 0;
    // 4. Label style, size then colour label by label.
    controls_.PLSYSJ.fontSize = 40;
    controls_.PLSYSJ.color = kLabelColor;
    for (LabelControl* label :
         {&controls_.Fen, &controls_.KJSC, &controls_.LJSY, &controls_.BCSC, &controls_.ZDSC}) {
        label->fontSize = 13;
        label->color = kLabelColor;
    }
    // 5. Version.
    ownVersion_ = report::kOwnVersion;
    controls_.PcVer.text = "PC V" + ownVersion_;
    // 6. The one-second session tick.
    sendInfoTimerInterval_ = 1000;
    sendInfoTimerEnabled_ = true;
    // 7. Tray icon.
    AddTrayIcon();
    // 8. The colour-keyed layered window is the window's own business.
    // 9. Slider range.
    controls_.RGBSlider.min = 0;
    controls_.RGBSlider.max = 50;
    // 10. Switches.
    LoadSwitches();
    // 11. The display's device context is held by the gamma port; the identity ramp.
    tint_.InitBaseRamp();
    // Stepping aside, a pause that is still running and the hotkeys, before the first load.
    LoadAside();
    // The smart mode's schedule, before the initial tint that follows it.
    LoadSchedule();
    // 12. Initial tint.
    ApplyInitialTint();
    // 13. Rest reminder switch.
    ApplyReminderSwitchAtStart();
    // 14. Auto-start switch, with the Run value brought in line.
    ApplyAutoStartSwitchAtStart();
    // 15. The refresh starts counting from now.
    tint_.ResetRefresh(ports_.clock.NowSeconds());

    visible_ = true;
}

void MainForm::SendInfoTimer_Timer() {
    // A modal box inside a tick (the update offer) pumps messages, timer expiries included;
    // a tick never runs inside another one.
    if (ended_ || !sendInfoTimerEnabled_ || tickRunning_) {
        return;
    }
    tickRunning_ = true;
    Tick();
    tickRunning_ = false;
}

void MainForm::Tick() {
    if (!ServerExchangeStep() || ended_) {
        return;
    }
    ActivityCheck();
    if (active_ == 1) {
        ReminderStep();
    }
    AdvanceRunCounter();
    DayRollOver();
    UpdateAside();
    FollowSchedule();
    NoteTintLoad(
        tint_.Refresh(controls_.RGBSlider.position, ports_.clock.NowSeconds(), ports_.gamma));
}

bool MainForm::ServerExchangeStep() {
    // Runs the exchange on the first tick only; afterwards it returns at once.
    return exchange_.Run() != report::ExchangeOutcome::EndingForUpdate;
}

std::string MainForm::ReadPostServer() {
    return ReadValue(Names().postServer);
}

void MainForm::StorePostServer() {
    WriteValue(Names().postServer, "1");
}

std::string MainForm::ReadStatsHost() {
    static const std::string name = report::kStatsHostValueName;
    return ReadValue(name);
}

void MainForm::TuiChuImage_Click() {
    OrderlyEnd(TintAtEnd::Restore);
}

void MainForm::Form_Unload() {
    OrderlyEnd(TintAtEnd::Restore);
}

void MainForm::Form_Terminate() {
    OrderlyEnd(TintAtEnd::Restore);
}

void MainForm::EndSession() {
    OrderlyEnd(TintAtEnd::Restore);
}

void MainForm::EndForUpdate() {
    // The updater runs meanwhile; the tint stays until quorvex starts again.
    OrderlyEnd(TintAtEnd::Keep);
}

void MainForm::OrderlyEnd(TintAtEnd tint) {
    // Whichever way the program ends (exit image, closing the window, logging off), it ends
    // once: display restored, the day's counters stored, the tray icon gone.
    if (ended_) {
        return;
    }
    ended_ = true;
    sendInfoTimerEnabled_ = false;
    if (tint == TintAtEnd::Restore) {
        const bool alreadyZero = controls_.RGBSlider.position == 0;
        SetSliderPosition(0);
        if (alreadyZero) {
            // At 0 the slider does not change, yet the last refresh may have left a nudged ramp.
            tint_.ApplyPosition(0, ports_.gamma);
        }
    }
    StoreCounters();
    RemoveTrayIcon();
    ports_.host.EndProgram();
}

}  // namespace qvx::app
