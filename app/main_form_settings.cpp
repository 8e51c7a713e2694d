// The three switches with their persistence, auto-start, the presets and the smart mode.

#include <optional>
#include <string>

#include "app/main_form.h"
#include "app/main_form_internal.h"
#include "app/main_module.h"
#include "tint/presets.h"

namespace qvx::app {

using namespace main_form_detail;
using tint::kPresetPositions;
using tint::ParseStoredStrength;
using tint::ParseSwitch;
using tint::PresetForPosition;

namespace {

constexpr const char* kAutoStartFailedText = "开机启动设置不成功，请检查是否有足够的权限！";

void ShowPair(ImageControl& off, ImageControl& on, bool isOn) {
    on.visible = isOn;
    off.visible = !isOn;
}

}  // namespace

std::int16_t MainForm::LoadSwitch(const std::string& name) {
    const std::optional<std::int16_t> flag = ParseSwitch(ReadValue(name));
    if (flag) {
        return *flag;
    }
    // Missing, or a text no switch ever had: on, and written back so the two agree.
    WriteValue(name, "1");
    return 1;
}

void MainForm::LoadSwitches() {
    const RegNames& names = Names();
    znhy_ = LoadSwitch(names.znhy);
    pltx_ = LoadSwitch(names.pltx);
    kjqd_ = LoadSwitch(names.kjqd);
}

void MainForm::SaveSwitches() {
    const RegNames& names = Names();
    WriteNumber(names.znhy, znhy_);
    WriteNumber(names.pltx, pltx_);
    WriteNumber(names.kjqd, kjqd_);
}

std::string MainForm::AutoStartCommand() {
    // Folder, "\", base name, ".exe". A path with a blank is quoted, or Windows would try to
    // start the part before the blank.
    std::string path = ports_.host.ProgramFolder() + "\\" + ports_.host.ProgramBaseName() + ".exe";
    if (path.find(' ') != std::string::npos) {
        path = "\"" + path + "\"";
    }
    return path;
}

bool MainForm::ApplyAutoStart() {
    const RegNames& names = Names();
    if (kjqd_ == 1) {
        return ports_.registry.WriteRegValue(HKEY_CURRENT_USER_ROOT, names.runKey, names.runValue,
                                             RegData(AutoStartCommand()), kStringType);
    }
    return ports_.registry.DeleteRegEntry(HKEY_CURRENT_USER_ROOT, names.runKey, names.runValue);
}

void MainForm::KJQD_Click() {
    ShowPair(controls_.KJQD, controls_.KJQD_XUAN, true);
    kjqd_ = 1;
    if (!ApplyAutoStart()) {
        kjqd_ = 0;
        ShowPair(controls_.KJQD, controls_.KJQD_XUAN, false);
        ports_.messages.Show(kAutoStartFailedText, MessageBoxKind::OkOnly);
    }
    SaveSwitches();
}

void MainForm::KJQD_XUAN_Click() {
    ShowPair(controls_.KJQD, controls_.KJQD_XUAN, false);
    kjqd_ = 0;
    if (!ApplyAutoStart()) {
        kjqd_ = 1;
        ShowPair(controls_.KJQD, controls_.KJQD_XUAN, true);
    }
    SaveSwitches();
}

void MainForm::ApplyAutoStartSwitchAtStart() {
    ShowPair(controls_.KJQD, controls_.KJQD_XUAN, kjqd_ == 1);
    ApplyAutoStart();
}

void MainForm::SetReminderSwitch(std::int16_t v) {
    pltx_ = v == 1 ? 1 : 0;
}

void MainForm::ApplyReminderSwitchAtStart() {
    const bool on = pltx_ == 1;
    SetReminderSwitch(on ? 1 : 0);
    ShowPair(controls_.PLTX, controls_.PLTX_XUAN, on);
}

void MainForm::PLTX_Click() {
    ShowPair(controls_.PLTX, controls_.PLTX_XUAN, true);
    pltx_ = 1;
    SetReminderSwitch(1);
    SaveSwitches();
}

void MainForm::PLTX_XUAN_Click() {
    ShowPair(controls_.PLTX, controls_.PLTX_XUAN, false);
    pltx_ = 0;
    SetReminderSwitch(0);
    SaveSwitches();
}

void MainForm::UpdatePresetHighlight(int v) {
    const std::array<ImageControl*, 7> overlays = controls_.PresetOverlays();
    for (ImageControl* overlay : overlays) {
        overlay->visible = false;
    }
    overlays[static_cast<std::size_t>(PresetForPosition(v) - 1)]->visible = true;
}

void MainForm::StoreStrength(int v) {
    WriteNumber(Names().strength, v);
}

int MainForm::StoredStrengthPosition() {
    // Empty, not a number or outside the slider's range: nothing usable is stored.
    return ParseStoredStrength(ReadValue(Names().strength)).value_or(0);
}

void MainForm::ApplyInitialTint() {
    if (znhy_ == 1) {
        ShowPair(controls_.ZNHY, controls_.ZNHY_XUAN, true);
        SetSliderPosition(ScheduleStartPosition());
    } else {
        ShowPair(controls_.ZNHY, controls_.ZNHY_XUAN, false);
        SetSliderPosition(StoredStrengthPosition());
    }
}

void MainForm::ZNHY_Click() {
    ShowPair(controls_.ZNHY, controls_.ZNHY_XUAN, true);
    // The flag goes first, so the smart position is applied but not stored.
    znhy_ = 1;
    SetSliderPosition(ScheduleStartPosition());
    SaveSwitches();
}

void MainForm::ZNHY_XUAN_Click() {
    ShowPair(controls_.ZNHY, controls_.ZNHY_XUAN, false);
    znhy_ = 0;
    holding_ = false;
    controls_.ScheduleNotice.visible = false;
    SetSliderPosition(StoredStrengthPosition());
    SaveSwitches();
}

void MainForm::RGBImage01_Click() {
    UserChoseTint();
    SetSliderPosition(kPresetPositions[0]);
}
void MainForm::RGBImage02_Click() {
    UserChoseTint();
    SetSliderPosition(kPresetPositions[1]);
}
void MainForm::RGBImage03_Click() {
    UserChoseTint();
    SetSliderPosition(kPresetPositions[2]);
}
void MainForm::RGBImage04_Click() {
    UserChoseTint();
    SetSliderPosition(kPresetPositions[3]);
}
void MainForm::RGBImage05_Click() {
    UserChoseTint();
    SetSliderPosition(kPresetPositions[4]);
}
void MainForm::RGBImage06_Click() {
    UserChoseTint();
    SetSliderPosition(kPresetPositions[5]);
}
void MainForm::RGBImage07_Click() {
    UserChoseTint();
    SetSliderPosition(kPresetPositions[6]);
}

}  // namespace qvx::app
