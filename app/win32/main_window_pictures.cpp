#include "app/win32/main_window_pictures.h"

#include "tint/presets.h"

namespace qvx::app::win32 {

using Gdiplus::Color;
using Gdiplus::GraphicsPath;
using Gdiplus::PointF;
using Gdiplus::RectF;

namespace {

// The slider position a preset card (or its selected twin) stands for.
int PresetStrength(Picture p) {
    int index = static_cast<int>(p) - static_cast<int>(Picture::Preset01);
    if (index >= 7)
        index -= 7;  // the selected twins follow the buttons
    return tint::kPresetPositions[index];
}

void Preset(const Canvas& c, int strength, bool selected) {
    RectF box = c.Box();
    c.Shapes([&](Gdiplus::Graphics& g) {
        RectF card = Inset(box, 1.5f, 1.5f);
        if (selected) {
            FillVertical(g, card, 10, Color(255, 74, 52, 36), Color(255, 52, 38, 30));
        } else {
            FillVertical(g, card, 10, Color(255, 45, 60, 81), Color(255, 36, 48, 66));
        }
        StrokeRound(g, card, 10, selected ? kAccent : kCardBorder, selected ? 2.5f : 1.0f);
        float d = 36;
        RectF swatch(box.X + (box.Width - d) / 2, box.Y + 9, d, d);
        if (selected) {
            Gdiplus::SolidBrush glow(Color(90, 255, 150, 70));
            g.FillEllipse(&glow, Inset(swatch, -4, -4));
        }
        Gdiplus::SolidBrush fill(WarmColour(strength));
        g.FillEllipse(&fill, swatch);
        Gdiplus::Pen ring(Color(120, 255, 255, 255), 1.0f);
        g.DrawEllipse(&ring, swatch);
        if (selected) {
            // Check badge in the top right corner.
            float r = 8.5f, bx = box.X + box.Width - 12, by = box.Y + 12;
            Gdiplus::SolidBrush badge(kAccent);
            g.FillEllipse(&badge, bx - r, by - r, 2 * r, 2 * r);
            Gdiplus::Pen tick(Color(255, 255, 255, 255), 2.0f);
            tick.SetLineCap(Gdiplus::LineCapRound, Gdiplus::LineCapRound, Gdiplus::DashCapRound);
            tick.SetLineJoin(Gdiplus::LineJoinRound);
            PointF pts[3] = {PointF(bx - 4, by), PointF(bx - 1, by + 3),
                             PointF(bx + 4.5f, by - 3.5f)};
            g.DrawLines(&tick, pts, 3);
        }
    });
    TextStyle number{15.0f, true, selected ? kTextAccent : kTextMain, Align::Centre};
    c.Text(RectF(box.X, box.Y + 48, box.Width, 22), std::to_wstring(strength), number);
}

void Toggle(const Canvas& c, bool on) {
    RectF box = c.Box();
    RectF pill = Inset(box, 1.5f, 1.5f);
    float r = pill.Height / 2;
    c.Shapes([&](Gdiplus::Graphics& g) {
        if (on) {
            Gdiplus::LinearGradientBrush brush(PointF(pill.X, 0), PointF(pill.X + pill.Width, 0),
                                               Color(255, 255, 168, 88), Color(255, 255, 118, 40));
            FillRound(g, pill, r, brush);
        } else {
            Gdiplus::SolidBrush brush(Color(255, 50, 64, 84));
            FillRound(g, pill, r, brush);
            StrokeRound(g, pill, r, Color(255, 74, 91, 114), 1.0f);
        }
        float d = pill.Height - 6;
        float kx = on ? pill.X + pill.Width - 3 - d : pill.X + 3;
        Gdiplus::SolidBrush shadow(Color(60, 0, 0, 0));
        g.FillEllipse(&shadow, kx, pill.Y + 4, d, d);
        Gdiplus::SolidBrush knob(on ? Color(255, 255, 255, 255) : Color(255, 196, 206, 218));
        g.FillEllipse(&knob, kx, pill.Y + 3, d, d);
    });
    float knobSpace = pill.Height;
    RectF textArea = on ? RectF(pill.X, pill.Y, pill.Width - knobSpace, pill.Height)
                        : RectF(pill.X + knobSpace, pill.Y, pill.Width - knobSpace, pill.Height);
    c.Text(textArea, on ? L"开" : L"关",
           TextStyle{15.0f, true, on ? RGB(255, 255, 255) : RGB(160, 176, 195), Align::Centre});
}

// Captions that stand beside the controls; each area backdrop draws those that lie on it, so
// they stay put however the areas are cut.
struct Caption {
    float x, y, w, h;
    const wchar_t* text;
    TextStyle style;
};

const Caption kCaptions[] = {
    {36, 58, 120, 24, L"色温调节", {15.0f, true, kTextMain}},
    {300,
     60,
     420,
     20,
     L"拖动滑块或点选预设，数值越大，屏幕越暖",
     {12.0f, false, kTextDim, Align::Right}},
    {40, 236, 240, 22, L"智能护眼", {15.0f, true, kTextMain}},
    {40, 257, 250, 16, L"白天与夜间自动选择合适色温", {11.5f, false, kTextDim}},
    {40, 289, 240, 22, L"疲劳提醒", {15.0f, true, kTextMain}},
    {40, 310, 250, 16, L"连续用眼45分钟后提醒您休息", {11.5f, false, kTextDim}},
    {40, 345, 240, 22, L"开机启动", {15.0f, true, kTextMain}},
    {40, 366, 250, 16, L"开机自动运行，全天守护双眼", {11.5f, false, kTextDim}},
    {446, 270, 100, 22, L"距下次休息", {13.0f, true, kTextMain, Align::Centre}},
    {566, 244, 86, 24, L"今日开机时长", {13.0f, false, kTextDim}},
    {566, 280, 86, 24, L"今日累计使用", {13.0f, false, kTextDim}},
    {566, 316, 86, 24, L"本次连续使用", {13.0f, false, kTextDim}},
    {566, 352, 86, 24, L"最长连续使用", {13.0f, false, kTextDim}},
};

// Dividers between the countdown and the counters, and between the switch rows.
const RectF kDividers[] = {RectF(553, 238, 1, 140), RectF(40, 280, 374, 1), RectF(40, 335, 374, 1)};

bool Inside(const RectF& box, float x, float y) {
    return x >= box.X && x < box.X + box.Width && y >= box.Y && y < box.Y + box.Height;
}

void AreaBackdrop(const Canvas& c) {
    RectF box = c.Box();
    c.Shapes([&](Gdiplus::Graphics& g) {
        RectF card = Inset(box, 0.5f, 0.5f);
        FillVertical(g, card, 12, Color(255, 38, 52, 72), Color(255, 31, 42, 58));
        StrokeRound(g, card, 12, kCardBorder, 1.0f);
        Gdiplus::SolidBrush line(Color(255, 50, 66, 88));
        for (const RectF& d : kDividers) {
            if (Inside(box, d.X, d.Y))
                g.FillRectangle(&line, d);
        }
    });
    for (const Caption& cap : kCaptions) {
        float cx = cap.x + 4, cy = cap.y + cap.h / 2;
        if (Inside(box, cx, cy)) {
            c.Text(RectF(cap.x, cap.y, cap.w, cap.h), cap.text, cap.style);
        }
    }
}

void MainBackground(const Canvas& c) {
    PanelWindowBackground(c, 18);
    RectF box = c.Box();
    c.Shapes([&](Gdiplus::Graphics& g) {
        Gdiplus::Pen line(Color(255, 44, 58, 78), 1.0f);
        g.DrawLine(&line, box.X + 16, box.Y + 53, box.X + box.Width - 16, box.Y + 53);
        // Badge under the version label (its text stands at the label's top left).
        RectF badge(box.X + 123, box.Y + 13, 57, 22);
        Gdiplus::SolidBrush fill(Color(255, 243, 232, 218));
        FillRound(g, badge, 11, fill);
    });
    c.Text(RectF(box.X + 194, box.Y + 12, 40, 24), L"护眼", TextStyle{16.0f, true, kTextAccent});
    c.Text(RectF(box.X + 232, box.Y + 12, 320, 24), L"· 全天候呵护您的双眼",
           TextStyle{13.0f, false, kTextDim, Align::Left});
}

void Logo(const Canvas& c) {
    RectF box = c.Box();
    float s = std::min(box.Height, box.Width);
    c.Shapes([&](Gdiplus::Graphics& g) { EyeTile(g, RectF(box.X, box.Y, s, s)); });
    if (box.Width > s * 2) {
        RectF text(box.X + s + 7, box.Y, box.Width - s - 12, box.Height);
        TextStyle style{std::clamp(s * 0.55f, 11.0f, 22.0f), true, kTextMain, Align::Left};
        style.size = c.FitSize(L"Quorvex", style, text.Width);
        c.Text(text, L"Quorvex", style);
    }
}

}  // namespace

bool PaintMainWindowPicture(const Canvas& c, Picture picture) {
    const Color muted(255, 91, 110, 135);
    switch (picture) {
        case Picture::MainBackground:
            MainBackground(c);
            return true;
        case Picture::Logo:
            Logo(c);
            return true;
        case Picture::TintPanel:
        case Picture::SettingsPanel:
        case Picture::CounterPanel:
            AreaBackdrop(c);
            return true;
        case Picture::ExitButton:
            Button(c, L"退出", false, Color(255, 229, 101, 91), RGB(255, 150, 140), 14.0f);
            return true;
        case Picture::HideButton:
            Button(c, L"隐藏", false, muted, kTextMain, 14.0f);
            return true;
        case Picture::WebsiteButton:
            Button(c, L"官方网站", true, muted, RGB(255, 255, 255), 14.0f);
            return true;
        case Picture::DownloadLink: {
            TextStyle link{13.0f, false, RGB(127, 178, 240), Align::Left, true};
            c.Text(c.Box(), L"访问官网下载页面获取最新版本 »", link);
            return true;
        }
        case Picture::SettingsButton:
            Button(c, L"设置", false, muted, kTextMain, 14.0f);
            return true;
        case Picture::ResumeButton:
            Button(c, L"恢复", true, muted, RGB(255, 255, 255), 13.0f);
            return true;
        case Picture::SmartOff:
        case Picture::ReminderOff:
        case Picture::AutoStartOff:
        case Picture::SwitchOff:
            Toggle(c, false);
            return true;
        case Picture::SmartOn:
        case Picture::ReminderOn:
        case Picture::AutoStartOn:
        case Picture::SwitchOn:
            Toggle(c, true);
            return true;
        case Picture::Preset01:
        case Picture::Preset02:
        case Picture::Preset03:
        case Picture::Preset04:
        case Picture::Preset05:
        case Picture::Preset06:
        case Picture::Preset07:
            Preset(c, PresetStrength(picture), false);
            return true;
        case Picture::PresetSelected01:
        case Picture::PresetSelected02:
        case Picture::PresetSelected03:
        case Picture::PresetSelected04:
        case Picture::PresetSelected05:
        case Picture::PresetSelected06:
        case Picture::PresetSelected07:
            Preset(c, PresetStrength(picture), true);
            return true;
        default:
            return false;
    }
}

}  // namespace qvx::app::win32
