// Activity check, the rest countdown and the reminder pop-up.

#include <charconv>

#include "app/main_form.h"
#include "app/main_form_internal.h"

namespace qvx::app {

using namespace main_form_detail;

namespace {

constexpr double kIdleMinutesNotActive = 2.0;
constexpr double kIdleMinutesBreak = 3.0;
constexpr double kIdleMinutesRestart = 5.0;

}  // namespace

void MainForm::ActivityCheck() {
    const std::optional<std::uint32_t> lastInput = ports_.idle.LastInputTick();
    if (!lastInput) {
        return;  // the active flag stays as it was
    }
    // Unsigned 32-bit difference: right across the wrap of the tick clock after 49.7 days.
    const std::uint32_t idleMs = ports_.idle.TickCount() - *lastInput;
    const double idleMinutes = idleMs / 1000.0 / 60.0;
    if (idleMinutes > kIdleMinutesNotActive) {
        active_ = 0;
        if (idleMinutes > kIdleMinutesRestart) {
            restCountdown_ = kRestMinutes;
            ShowCountdown();
        }
        if (idleMinutes > kIdleMinutesBreak) {
            bcsc_ = 0;
            SetLabelText(controls_.BCSC, kZeroTime);
        }
    } else {
        active_ = 1;
    }
}

void MainForm::ReminderStep() {
    // Due and still at 0: the reminder waits for a full-screen program or presentation to end.
    const bool waiting = pltx_ == 1 && restCountdown_ == 0;
    if (++minuteTicks_ >= kTicksPerMinute) {
        minuteTicks_ = 0;
        if (!waiting) {
            --restCountdown_;
        }
    }
    AdvanceUseCounters();
    ShowCountdown();
    WriteUseLabels();
    if (pltx_ == 1 && restCountdown_ == 0) {
        if (ReminderMustWait()) {
            return;  // asked again on every active tick, shown as soon as the moment is good
        }
        // Shown again even when still open from the last time; it stays until clicked.
        reminder_.Show();
        restCountdown_ = kRestMinutes;
    }
}

void MainForm::ShowCountdown() {
    if (restCountdown_ == shownCountdown_) {
        return;
    }
    char text[12];
    const auto result = std::to_chars(text, text + sizeof text, restCountdown_);
    SetLabelText(controls_.PLSYSJ,
                 std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
    shownCountdown_ = restCountdown_;
}

}  // namespace qvx::app
