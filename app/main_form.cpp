#include "app/main_form.h"

#include <algorithm>
#include <iterator>

#include "app/main_form_internal.h"

namespace qvx::app {

namespace {

ImageControl MakeImage(int left, int top, int width, int height, Picture picture,
                       bool visible = true) {
    ImageControl image;
    image.rect = {left, top, width, height};
    image.picture = picture;
    image.visible = visible;
    return image;
}

LabelControl MakeLabel(int left, int top, int width, int height, const char* text) {
    LabelControl label;
    label.rect = {left, top, width, height};
    label.text = text;
    return label;
}

bool Contains(const TwipRect& rect, int x, int y) {
    return x >= rect.left && x < rect.left + rect.width && y >= rect.top &&
           y < rect.top + rect.height;
}

// Preset buttons stand in one row under the slider, weakest (RGBImage07) at the left.
constexpr int kPresetTop = 1830;
constexpr int kPresetWidth = 1035;
constexpr int kPresetHeight = 1155;
constexpr int kPresetLeft[7] = {9720, 8185, 6635, 5100, 3550, 2010, 460};  // RGBImage01..07

struct ClickTarget {
    ImageControl MainFormControls::*image;
    void (MainForm::*handler)();
};

// The clickable images in paint order; hit-testing walks it backwards, so the topmost wins.
constexpr ClickTarget kClickTargets[] = {
    {&MainFormControls::TuiChuImage, &MainForm::TuiChuImage_Click},
    {&MainFormControls::YinCangImage, &MainForm::YinCangImage_Click},
    {&MainFormControls::SheZhiImage, &MainForm::SheZhiImage_Click},
    {&MainFormControls::HuiFuImage, &MainForm::HuiFuImage_Click},
    {&MainFormControls::ZNHY, &MainForm::ZNHY_Click},
    {&MainFormControls::ZNHY_XUAN, &MainForm::ZNHY_XUAN_Click},
    {&MainFormControls::PLTX, &MainForm::PLTX_Click},
    {&MainFormControls::PLTX_XUAN, &MainForm::PLTX_XUAN_Click},
    {&MainFormControls::KJQD, &MainForm::KJQD_Click},
    {&MainFormControls::KJQD_XUAN, &MainForm::KJQD_XUAN_Click},
    {&MainFormControls::RGBImage01, &MainForm::RGBImage01_Click},
    {&MainFormControls::RGBImage02, &MainForm::RGBImage02_Click},
    {&MainFormControls::RGBImage03, &MainForm::RGBImage03_Click},
    {&MainFormControls::RGBImage04, &MainForm::RGBImage04_Click},
    {&MainFormControls::RGBImage05, &MainForm::RGBImage05_Click},
    {&MainFormControls::RGBImage06, &MainForm::RGBImage06_Click},
    {&MainFormControls::RGBImage07, &MainForm::RGBImage07_Click},
    {&MainFormControls::gangwang, &MainForm::gangwang_Click},
    {&MainFormControls::xiazaidizhi, &MainForm::xiazaidizhi_Click},
};

// The topmost visible click target at this point, or none.
const ClickTarget* TargetAt(const MainFormControls& controls, int twipX, int twipY) {
    for (auto it = std::rbegin(kClickTargets); it != std::rend(kClickTargets); ++it) {
        const ImageControl& image = controls.*(it->image);
        if (image.visible && Contains(image.rect, twipX, twipY)) {
            return &*it;
        }
    }
    return nullptr;
}

}  // namespace

namespace main_form_detail {

const RegNames& Names() {
    static const RegNames names;
    return names;
}

void FormatClockTime(std::int32_t seconds, char (&out)[8]) {
    constexpr std::int32_t kDay = 24 * 60 * 60;
    std::int32_t t = seconds % kDay;
    if (t < 0) {
        t += kDay;
    }
    const int parts[3] = {t / 3600, t / 60 % 60, t % 60};
    for (int i = 0; i < 3; ++i) {
        out[i * 3] = static_cast<char>('0' + parts[i] / 10);
        out[i * 3 + 1] = static_cast<char>('0' + parts[i] % 10);
        if (i < 2) {
            out[i * 3 + 2] = ':';
        }
    }
}

}  // namespace main_form_detail

MainFormControls::MainFormControls()
    : PcVer(MakeLabel(1920, 240, 1215, 375, "")),
      PLSYSJ(MakeLabel(6900, 4650, 975, 855, "45")),
      Fen(MakeLabel(7830, 5170, 255, 375, "分")),
      KJSC(MakeLabel(9810, 3660, 1095, 375, main_form_detail::kZeroTime)),
      LJSY(MakeLabel(9810, 4205, 1095, 375, main_form_detail::kZeroTime)),
      BCSC(MakeLabel(9810, 4735, 1095, 375, main_form_detail::kZeroTime)),
      ZDSC(MakeLabel(9810, 5275, 1215, 375, main_form_detail::kZeroTime)),
      GammaNotice(MakeLabel(1650, 975, 5600, 285, "")),
      PauseNotice(MakeLabel(1650, 960, 2700, 315, "")),
      ScheduleNotice(MakeLabel(1650, 960, 5600, 315, "")),
      Background(MakeImage(0, 0, 11250, 6750, Picture::MainBackground)),
      Logo(MakeImage(300, 150, 1560, 555, Picture::Logo)),
      TintPanel(MakeImage(300, 900, 10650, 2250, Picture::TintPanel)),
      SettingsPanel(MakeImage(300, 3300, 6200, 2600, Picture::SettingsPanel)),
      CounterPanel(MakeImage(6600, 3300, 4500, 2600, Picture::CounterPanel)),
      TuiChuImage(MakeImage(8515, 165, 1035, 495, Picture::ExitButton)),
      YinCangImage(MakeImage(10005, 165, 1035, 495, Picture::HideButton)),
      SheZhiImage(MakeImage(7350, 165, 1035, 495, Picture::SettingsButton)),
      HuiFuImage(MakeImage(4400, 900, 900, 330, Picture::ResumeButton, false)),
      ZNHY(MakeImage(4420, 3550, 1785, 510, Picture::SmartOff)),
      ZNHY_XUAN(MakeImage(4420, 3550, 1785, 510, Picture::SmartOn, false)),
      PLTX(MakeImage(4420, 4350, 1785, 510, Picture::ReminderOff)),
      PLTX_XUAN(MakeImage(4440, 4350, 1785, 510, Picture::ReminderOn, false)),
      KJQD(MakeImage(4420, 5190, 1785, 510, Picture::AutoStartOff)),
      KJQD_XUAN(MakeImage(4420, 5190, 1785, 510, Picture::AutoStartOn, false)),
      gangwang(MakeImage(8164, 6030, 1365, 480, Picture::WebsiteButton)),
      xiazaidizhi(MakeImage(260, 6240, 5940, 315, Picture::DownloadLink)) {
    GammaNotice.visible = false;
    PauseNotice.visible = false;
    PauseNotice.fontSize = 10;
    PauseNotice.color = main_form_detail::kLabelColor;
    ScheduleNotice.visible = false;
    ScheduleNotice.fontSize = 10;
    ScheduleNotice.color = 0xAF9B8C;  // RGB(140, 155, 175): a quiet line on the dark panel
    GammaNotice.fontSize = 8;
    GammaNotice.color = 0x6060FF;  // light red on the dark panel
    RGBSlider.rect = {440, 1250, 10400, 275};
    RGBSlider.min = 0;
    RGBSlider.max = 50;
    RGBSlider.position = 0;

    ImageControl* buttons[7] = {&RGBImage01, &RGBImage02, &RGBImage03, &RGBImage04,
                                &RGBImage05, &RGBImage06, &RGBImage07};
    const std::array<ImageControl*, 7> overlays = PresetOverlays();
    for (int i = 0; i < 7; ++i) {
        *buttons[i] = MakeImage(kPresetLeft[i], kPresetTop, kPresetWidth, kPresetHeight,
                                static_cast<Picture>(static_cast<int>(Picture::Preset01) + i));
        *overlays[static_cast<std::size_t>(i)] =
            MakeImage(kPresetLeft[i], kPresetTop, kPresetWidth, kPresetHeight,
                      static_cast<Picture>(static_cast<int>(Picture::PresetSelected01) + i), false);
    }
}

std::array<const LabelControl*, MainFormControls::kLabelCount>
MainFormControls::LabelsInPaintOrder() const {
    return {&PcVer, &PLSYSJ, &Fen,         &KJSC,        &LJSY,
            &BCSC,  &ZDSC,   &GammaNotice, &PauseNotice, &ScheduleNotice};
}

std::array<const ImageControl*, MainFormControls::kImageCount>
MainFormControls::ImagesInPaintOrder() const {
    return {&Background,      &Logo,
            &TintPanel,       &SettingsPanel,
            &CounterPanel,    &TuiChuImage,
            &YinCangImage,    &SheZhiImage,
            &HuiFuImage,      &ZNHY,
            &ZNHY_XUAN,       &PLTX,
            &PLTX_XUAN,       &KJQD,
            &KJQD_XUAN,       &RGBImage01,
            &RGBImage02,      &RGBImage03,
            &RGBImage04,      &RGBImage05,
            &RGBImage06,      &RGBImage07,
            &RGBImage01_xuan, &RGBImage02_xuan,
            &RGBImage03_xuan, &RGBImage04_xuan,
            &RGBImage05_xuan, &RGBImage06_xuan,
            &RGBImage07_xuan, &gangwang,
            &xiazaidizhi};
}

std::array<ImageControl*, 7> MainFormControls::PresetOverlays() {
    return {&RGBImage01_xuan, &RGBImage02_xuan, &RGBImage03_xuan, &RGBImage04_xuan,
            &RGBImage05_xuan, &RGBImage06_xuan, &RGBImage07_xuan};
}

std::array<const ImageControl*, 7> MainFormControls::PresetOverlays() const {
    return {&RGBImage01_xuan, &RGBImage02_xuan, &RGBImage03_xuan, &RGBImage04_xuan,
            &RGBImage05_xuan, &RGBImage06_xuan, &RGBImage07_xuan};
}

MsgForm::MsgForm(MainForm& owner)
    : Background(MakeImage(0, 0, 7320, 6765, Picture::ReminderBackground)),
      Image2(MakeImage(3700, 5400, 2220, 795, Picture::ReminderNeverAgain)),
      Image3(MakeImage(1370, 5400, 2220, 795, Picture::ReminderClose)),
      Image4(MakeImage(2557, 6255, 2220, 420, Picture::ReminderSnooze)),
      owner_(owner),
      focus_(kCloseControl) {}

void MsgForm::Show() {
    // Loading happens once: the window then makes itself topmost and colour-keyed.
    loaded_ = true;
    visible_ = true;
    ++showCount_;
    focus_.Set(kCloseControl);
}

void MsgForm::Image2_Click() {
    owner_.PLTX_XUAN_Click();
    Hide();
}

void MsgForm::Image3_Click() {
    Hide();
}

void MsgForm::Image4_Click() {
    owner_.SnoozeReminder();
}

const ImageControl* MsgForm::ClickableAt(int twipX, int twipY) const {
    if (!visible_) {
        return nullptr;
    }
    // Image2 lies over Image3.
    for (const ImageControl* image : {&Image4, &Image2, &Image3}) {
        if (image->visible && Contains(image->rect, twipX, twipY)) {
            return image;
        }
    }
    return nullptr;
}

bool MsgForm::ClickAt(int twipX, int twipY) {
    const ImageControl* image = ClickableAt(twipX, twipY);
    if (image != nullptr)
        focus_.MoveTo(AccessibleControls(), twipX, twipY);
    if (image == &Image2) {
        Image2_Click();
    } else if (image == &Image3) {
        Image3_Click();
    } else if (image == &Image4) {
        Image4_Click();
    }
    return image != nullptr;
}

MainForm::MainForm(MainFormPorts ports)
    : ports_(ports),
      reminder_(*this),
      settings_(*this),
      exchange_(
          report::ExchangePorts{*this, ports.http, ports.macs, ports.prompt, ports.launcher,
                                ports.background}) {}

const ImageControl* MainForm::ClickableAt(int twipX, int twipY) const {
    const ClickTarget* target = TargetAt(controls_, twipX, twipY);
    return target ? &(controls_.*(target->image)) : nullptr;
}

bool MainForm::ClickAt(int twipX, int twipY) {
    const ClickTarget* target = TargetAt(controls_, twipX, twipY);
    if (target == nullptr) {
        return false;
    }
    focus_.MoveTo(AccessibleControls(), twipX, twipY);
    (this->*(target->handler))();
    return true;
}

void MainForm::RGBSlider_Scroll(int position) {
    UserChoseTint();
    SetSliderPosition(position);
}

void MainForm::SetSliderPosition(int position) {
    SliderControl& slider = controls_.RGBSlider;
    position = std::clamp(position, slider.min, slider.max);
    if (position == slider.position) {
        return;
    }
    slider.position = position;
    RGBSlider_Change();
}

void MainForm::RGBSlider_Change() {
    const int v = controls_.RGBSlider.position;
    UpdatePresetHighlight(v);
    NoteTintLoad(tint_.ApplyPosition(v, ports_.gamma));
    if (znhy_ == 0 && v != 0) {
        StoreStrength(v);
    }
}

void MainForm::YinCangImage_Click() {
    visible_ = false;
}

void MainForm::HideMainWindow() {
    visible_ = false;
    ports_.host.ShowMainWindowNow(false);
}

void MainForm::ShowMainWindow() {
    visible_ = true;
    ports_.host.ShowMainWindowNow(true);
}

}  // namespace qvx::app
