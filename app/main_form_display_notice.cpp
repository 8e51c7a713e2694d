// The displays: listing them again when they change, and telling the user when one keeps
// refusing the tint.

#include "app/main_form.h"
#include "tint/gamma_display_port.h"

namespace qvx::app {

namespace {

// Three refused loads in a row (three seconds of refreshes) before the user is told: a single
// refusal happens while a display wakes up or changes mode.
constexpr int kRefusedLoadsBeforeNotice = 3;
constexpr const char* kNoticeTitle = "Quorvex：色温调节未生效";
constexpr const char* kNoticeText = "显示器拒绝了色温调节，请检查显卡驱动或关闭系统的夜间模式。";

}  // namespace

void MainForm::DisplaysChanged() {
    if (ended_) {
        return;
    }
    ports_.gamma.DisplaysChanged();
}

void MainForm::NoteTintLoad(bool accepted) {
    if (ended_) {
        return;
    }
    LabelControl& line = controls_.GammaNotice;
    if (accepted) {
        refusedLoads_ = 0;
        if (line.visible) {
            line.visible = false;
            line.text.clear();
        }
        return;
    }
    if (refusedLoads_ < kRefusedLoadsBeforeNotice) {
        ++refusedLoads_;
    }
    if (refusedLoads_ < kRefusedLoadsBeforeNotice || line.visible || pauseEnd_) {
        return;
    }
    line.text = kNoticeText;
    line.visible = true;
    controls_.ScheduleNotice.visible = false;
    // The balloon once per run (tried again with the next notice if the shell took none); the
    // line stays as long as the refusals go on. Never a modal box: this runs inside the tick.
    if (!refusalBalloon_ && trayAdded_) {
        refusalBalloon_ = ports_.tray.ShowBalloon(trayRecord_, kNoticeTitle, kNoticeText);
    }
}

}  // namespace qvx::app
