// The keyboard and screen readers on the main window and the reminder: every control in reading
// order with its role, its name as the window shows it and its state; the keys move the focus
// and press through the same ClickAt a click goes through.

#include <string>

#include "app/main_form.h"
#include "tint/presets.h"

namespace qvx::app {

namespace {

// Ids of the main window's controls; the slider's is MainForm::kSliderControl (1).
enum MainControl : int {
    kResume = 2,
    kPresetFirst = 10,  // + the preset's index left to right (0 .. 50)
    kSmart = 20,
    kReminder,
    kAutoStart,
    kCountdown,
    kRunToday,
    kUseToday,
    kSession,
    kLongest,
    kPauseLine,
    kRefusalLine,
    kSettings,
    kHide,
    kExit,
    kWebsite,
    kDownload,
};

AccessibleControl Button(int id, AccessibleRole role, const char* name, const ImageControl& image) {
    AccessibleControl control;
    control.id = id;
    control.role = role;
    control.name = name;
    control.rect = image.rect;
    control.picture = image.picture;
    return control;
}

// A switch is one control whatever of its two pictures shows.
AccessibleControl Switch(int id, const char* name, const ImageControl& off,
                         const ImageControl& on) {
    AccessibleControl control =
        Button(id, AccessibleRole::CheckButton, name, on.visible ? on : off);
    control.checked = on.visible;
    return control;
}

AccessibleControl Text(int id, const std::string& name, const LabelControl& label,
                       const char* unit = "") {
    AccessibleControl control;
    control.id = id;
    control.role = AccessibleRole::StaticText;
    control.value = label.text;
    control.value += unit;
    control.name = name;
    if (!name.empty())
        control.name += ' ';
    control.name += control.value;
    control.rect = label.rect;
    return control;
}

}  // namespace

std::vector<AccessibleControl> MainForm::AccessibleControls() const {
    const MainFormControls& c = controls_;
    std::vector<AccessibleControl> controls;
    controls.reserve(24);

    AccessibleControl slider;
    slider.id = kSliderControl;
    slider.role = AccessibleRole::Slider;
    slider.name = "色温调节";
    slider.value = std::to_string(c.RGBSlider.position);
    slider.rect = c.RGBSlider.rect;
    controls.push_back(slider);
    if (c.HuiFuImage.visible)
        controls.push_back(Button(kResume, AccessibleRole::PushButton, "恢复", c.HuiFuImage));

    // The cards stand weakest (0, RGBImage07) at the left.
    const ImageControl* cards[7] = {&c.RGBImage07, &c.RGBImage06, &c.RGBImage05, &c.RGBImage04,
                                    &c.RGBImage03, &c.RGBImage02, &c.RGBImage01};
    const auto overlays = c.PresetOverlays();
    for (int i = 0; i < 7; ++i) {
        const std::string name = std::to_string(tint::kPresetPositions[6 - i]);
        AccessibleControl card =
            Button(kPresetFirst + i, AccessibleRole::PushButton, name.c_str(), *cards[i]);
        card.selected = overlays[static_cast<std::size_t>(6 - i)]->visible;
        controls.push_back(card);
    }

    controls.push_back(Switch(kSmart, "智能护眼", c.ZNHY, c.ZNHY_XUAN));
    controls.push_back(Switch(kReminder, "疲劳提醒", c.PLTX, c.PLTX_XUAN));
    controls.push_back(Switch(kAutoStart, "开机启动", c.KJQD, c.KJQD_XUAN));

    controls.push_back(Text(kCountdown, "距下次休息", c.PLSYSJ, "分"));
    controls.push_back(Text(kRunToday, "今日开机时长", c.KJSC));
    controls.push_back(Text(kUseToday, "今日累计使用", c.LJSY));
    controls.push_back(Text(kSession, "本次连续使用", c.BCSC));
    controls.push_back(Text(kLongest, "最长连续使用", c.ZDSC));
    if (c.PauseNotice.Shows())
        controls.push_back(Text(kPauseLine, "", c.PauseNotice));
    if (c.GammaNotice.Shows())
        controls.push_back(Text(kRefusalLine, "", c.GammaNotice));

    controls.push_back(Button(kSettings, AccessibleRole::PushButton, "设置", c.SheZhiImage));
    controls.push_back(Button(kHide, AccessibleRole::PushButton, "隐藏", c.YinCangImage));
    controls.push_back(Button(kExit, AccessibleRole::PushButton, "退出", c.TuiChuImage));
    controls.push_back(Button(kWebsite, AccessibleRole::Link, "官方网站", c.gangwang));
    controls.push_back(
        Button(kDownload, AccessibleRole::Link, "访问官网下载页面获取最新版本", c.xiazaidizhi));
    return controls;
}

bool MainForm::KeyDown(std::uint32_t modifiers, std::uint32_t virtualKey) {
    const KeyAction action =
        NavigateByKey(focus_, AccessibleControls(), modifiers, virtualKey,
                      [this](int twipX, int twipY) { return ClickAt(twipX, twipY); });
    if (action == KeyAction::Escape) {
        YinCangImage_Click();
        return true;
    }
    return action != KeyAction::None;
}

std::vector<AccessibleControl> MsgForm::AccessibleControls() const {
    std::vector<AccessibleControl> controls;
    AccessibleControl message;
    message.id = 10;
    message.role = AccessibleRole::StaticText;
    // The message is part of the pop-up's picture.
    message.name = "该休息一下啦。您已连续使用电脑45分钟了，起来走走，看看远方，让眼睛休息一下吧！";
    message.rect = {0, 2700, kClientWidthTwips, 1600};
    controls.push_back(message);
    controls.push_back(Button(kCloseControl, AccessibleRole::PushButton, "关闭", Image3));
    controls.push_back(Button(2, AccessibleRole::PushButton, "不再提醒", Image2));
    controls.push_back(Button(3, AccessibleRole::PushButton, "5分钟后提醒", Image4));
    return controls;
}

bool MsgForm::KeyDown(std::uint32_t modifiers, std::uint32_t virtualKey) {
    if (!visible_)
        return false;
    const KeyAction action =
        NavigateByKey(focus_, AccessibleControls(), modifiers, virtualKey,
                      [this](int twipX, int twipY) { return ClickAt(twipX, twipY); });
    if (action == KeyAction::Escape) {
        Image3_Click();
        return true;
    }
    return action != KeyAction::None;
}

}  // namespace qvx::app
