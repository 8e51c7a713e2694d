#include "app/win32/picture_painter.h"

#include <objidl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "base/win32/scoped.h"
#include "base/win32/text.h"

namespace qvx::win32 {

using base::win32::Utf8ToWide;

namespace {

using Gdiplus::Color;
using Gdiplus::GraphicsPath;
using Gdiplus::PointF;
using Gdiplus::RectF;

// Palette of the dark panels.
const Color kEdge(255, 12, 17, 25);
const Color kPanelTop(255, 33, 45, 62);
const Color kPanelBottom(255, 20, 27, 38);
const Color kCard(255, 37, 50, 69);
const Color kCardBorder(255, 52, 68, 90);
const Color kAccent(255, 255, 135, 62);
const Color kAccentLight(255, 255, 166, 92);
const COLORREF kTextMain = RGB(234, 240, 247);
const COLORREF kTextDim = RGB(143, 163, 184);
const COLORREF kTextAccent = RGB(255, 135, 62);

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(const std::wstring& face) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(lf.lfFaceName, face.c_str(), _TRUNCATE);
    bool found = false;
    const base::win32::WindowDc screen(nullptr);
    EnumFontFamiliesExW(screen.Get(), &lf, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::wstring ResolveFace(const std::wstring& requested) {
    // The Chinese faces that can stand in for 微软雅黑, most similar first.
    const wchar_t* candidates[] = {L"Microsoft YaHei",
                                   L"Microsoft YaHei UI",
                                   L"WenQuanYi Micro Hei",
                                   L"Noto Sans CJK SC",
                                   L"SimHei",
                                   L"SimSun"};
    if (FaceInstalled(requested))
        return requested;
    for (const wchar_t* face : candidates) {
        if (FaceInstalled(face))
            return face;
    }
    return requested;
}

enum class Align { Left, Centre, Right };

struct TextStyle {
    float size = 13.0f;  // 96-dpi pixels
    bool bold = false;
    COLORREF colour = kTextMain;
    Align align = Align::Left;
    bool underline = false;
};

// One picture being drawn: shapes with GDI+ (anti-aliased), then texts with GDI (which links
// the fonts that hold the Chinese glyphs). Coordinates are 96-dpi pixels of the whole form.
class Canvas {
public:
    Canvas(HDC dc, const TwipRect& rect, double scale, const std::wstring& face)
        : dc_(dc), scale_(scale), face_(face) {
        box_ = RectF(rect.left / 15.0f, rect.top / 15.0f, rect.width / 15.0f, rect.height / 15.0f);
    }
    const RectF& Box() const { return box_; }

    void Shapes(const std::function<void(Gdiplus::Graphics&)>& draw) const {
        Gdiplus::Graphics g(dc_);
        g.SetPageUnit(Gdiplus::UnitPixel);
        g.ScaleTransform(static_cast<float>(scale_), static_cast<float>(scale_));
        g.SetClip(box_);
        g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        draw(g);
    }

    void Text(const RectF& where, const std::wstring& text, const TextStyle& style) const {
        const base::win32::Font font(MakeFont(style));
        const base::win32::SelectedObject selected(dc_, font.Get());
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, style.colour);
        RECT r{Px(where.X), Px(where.Y), Px(where.X + where.Width), Px(where.Y + where.Height)};
        UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP;
        flags |= style.align == Align::Centre  ? DT_CENTER
                 : style.align == Align::Right ? DT_RIGHT
                                               : DT_LEFT;
        DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r, flags);
    }

    // The largest size up to style.size at which text fits in width.
    float FitSize(const std::wstring& text, TextStyle style, float width) const {
        while (style.size > 8.0f) {
            SIZE extent{};
            {
                const base::win32::Font font(MakeFont(style));
                const base::win32::SelectedObject selected(dc_, font.Get());
                GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &extent);
            }
            if (extent.cx <= width * scale_)
                break;
            style.size -= 0.5f;
        }
        return style.size;
    }

private:
    HFONT MakeFont(const TextStyle& style) const {
        int height = -static_cast<int>(std::lround(style.size * scale_));
        return CreateFontW(height, 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, FALSE,
                           style.underline, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS,
                           face_.c_str());
    }
    int Px(float v) const { return static_cast<int>(std::lround(v * scale_)); }

    HDC dc_;
    double scale_;
    const std::wstring& face_;
    RectF box_;
};

void AddRoundRect(GraphicsPath& path, const RectF& r, float radius) {
    float d = std::min({radius * 2, r.Width, r.Height});
    path.AddArc(r.X, r.Y, d, d, 180, 90);
    path.AddArc(r.X + r.Width - d, r.Y, d, d, 270, 90);
    path.AddArc(r.X + r.Width - d, r.Y + r.Height - d, d, d, 0, 90);
    path.AddArc(r.X, r.Y + r.Height - d, d, d, 90, 90);
    path.CloseFigure();
}

RectF Inset(const RectF& r, float dx, float dy) {
    return RectF(r.X + dx, r.Y + dy, r.Width - 2 * dx, r.Height - 2 * dy);
}

void FillRound(Gdiplus::Graphics& g, const RectF& r, float radius, const Gdiplus::Brush& brush) {
    GraphicsPath path;
    AddRoundRect(path, r, radius);
    g.FillPath(&brush, &path);
}

void StrokeRound(Gdiplus::Graphics& g, const RectF& r, float radius, Color colour, float width) {
    GraphicsPath path;
    AddRoundRect(path, r, radius);
    Gdiplus::Pen pen(colour, width);
    g.DrawPath(&pen, &path);
}

void FillVertical(Gdiplus::Graphics& g, const RectF& r, float radius, Color top, Color bottom) {
    Gdiplus::LinearGradientBrush brush(PointF(0, r.Y - 1), PointF(0, r.Y + r.Height + 1), top,
                                       bottom);
    FillRound(g, r, radius, brush);
}

// A window background: a rounded dark panel; everything outside its outline is the colour key.
// The outline is anti-aliased against a dark edge colour, never against the key, so no blue
// fringe shows where the key turns transparent.
void PanelWindowBackground(const Canvas& c, float radius) {
    c.Shapes([&](Gdiplus::Graphics& g) {
        RectF box = c.Box();
        Gdiplus::SolidBrush edge(kEdge);
        g.FillRectangle(&edge, box);
        RectF inner = Inset(box, 0.5f, 0.5f);
        FillVertical(g, inner, radius, kPanelTop, kPanelBottom);
        StrokeRound(g, Inset(box, 1.0f, 1.0f), radius - 1, Color(255, 48, 63, 84), 1.0f);
        // Key outside the outline, filled without anti-aliasing so the key stays exact.
        g.SetSmoothingMode(Gdiplus::SmoothingModeNone);
        GraphicsPath outline;
        AddRoundRect(outline, box, radius);
        Gdiplus::Region outside(box);
        outside.Exclude(&outline);
        Gdiplus::SolidBrush key(Color(255, 0, 0, 255));
        g.FillRegion(&key, &outside);
    });
}

// The eye on a warm tile: the program's mark (the same drawing as quorvex.ico).
void EyeTile(Gdiplus::Graphics& g, const RectF& r) {
    float s = std::min(r.Width, r.Height);
    RectF tile(r.X + (r.Width - s) / 2, r.Y + (r.Height - s) / 2, s, s);
    FillVertical(g, tile, s * 0.22f, Color(255, 255, 196, 96), Color(255, 236, 112, 38));
    float cx = tile.X + s / 2, cy = tile.Y + s * 0.52f, w = s * 0.38f, h = s * 0.23f;
    GraphicsPath eye;
    eye.AddBezier(PointF(cx - w, cy), PointF(cx - w * 0.45f, cy - h * 1.35f),
                  PointF(cx + w * 0.45f, cy - h * 1.35f), PointF(cx + w, cy));
    eye.AddBezier(PointF(cx + w, cy), PointF(cx + w * 0.45f, cy + h * 1.35f),
                  PointF(cx - w * 0.45f, cy + h * 1.35f), PointF(cx - w, cy));
    eye.CloseFigure();
    Gdiplus::SolidBrush white(Color(255, 255, 250, 240));
    g.FillPath(&white, &eye);
    Gdiplus::Pen outline(Color(255, 110, 58, 20), std::max(1.0f, s * 0.04f));
    g.DrawPath(&outline, &eye);
    float ir = s * 0.16f;
    Gdiplus::SolidBrush iris(Color(255, 128, 72, 26));
    g.FillEllipse(&iris, cx - ir, cy - ir, ir * 2, ir * 2);
    float pr = s * 0.075f;
    Gdiplus::SolidBrush pupil(Color(255, 40, 24, 12));
    g.FillEllipse(&pupil, cx - pr, cy - pr, pr * 2, pr * 2);
    float hr = s * 0.035f;
    g.FillEllipse(&white, cx + s * 0.055f - hr, cy - s * 0.055f - hr, hr * 2, hr * 2);
}

// Swatch colour of a tint strength: from cool white (0) through warm cream to deep amber (50).
Color WarmColour(int strength) {
    double t = std::clamp(strength / 50.0, 0.0, 1.0);
    const double stops[3][3] = {{232, 242, 255}, {255, 226, 178}, {255, 138, 36}};
    int i = t < 0.5 ? 0 : 1;
    double u = t < 0.5 ? t / 0.5 : (t - 0.5) / 0.5;
    auto lerp = [&](int k) {
        return static_cast<BYTE>(std::lround(stops[i][k] + (stops[i + 1][k] - stops[i][k]) * u));
    };
    return Color(255, lerp(0), lerp(1), lerp(2));
}

int PresetStrength(Picture p) {
    static constexpr int strengths[7] = {50, 41, 33, 25, 17, 9, 0};
    int index = static_cast<int>(p) - static_cast<int>(Picture::Preset01);
    if (index >= 7)
        index -= 7;  // the selected twins follow the buttons
    return strengths[index];
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

// A rounded button: filled (accent) or outlined.
void Button(const Canvas& c, const std::wstring& caption, bool filled, Color border, COLORREF text,
            float textSize) {
    RectF box = c.Box();
    RectF pill = Inset(box, 1.5f, 1.5f);
    float r = std::min(pill.Height / 2, 14.0f);
    c.Shapes([&](Gdiplus::Graphics& g) {
        if (filled) {
            FillVertical(g, pill, r, Color(255, 255, 160, 84), Color(255, 246, 114, 40));
        } else {
            Gdiplus::SolidBrush brush(Color(255, 40, 53, 72));
            FillRound(g, pill, r, brush);
            StrokeRound(g, pill, r, border, 1.2f);
        }
    });
    c.Text(pill, caption, TextStyle{textSize, true, text, Align::Centre});
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

void ReminderBackground(const Canvas& c) {
    PanelWindowBackground(c, 22);
    RectF box = c.Box();
    float cx = box.X + box.Width / 2;
    c.Shapes([&](Gdiplus::Graphics& g) {
        // A warm halo around the mark.
        for (int i = 0; i < 4; ++i) {
            float r = 64.0f - i * 8.0f;
            Gdiplus::SolidBrush halo(Color(static_cast<BYTE>(22 + i * 12), 255, 150, 70));
            g.FillEllipse(&halo, cx - r, box.Y + 104 - r, 2 * r, 2 * r);
        }
        EyeTile(g, RectF(cx - 38, box.Y + 66, 76, 76));
        Gdiplus::Pen line(Color(255, 48, 63, 84), 1.0f);
        g.DrawLine(&line, box.X + 60, box.Y + 306, box.X + box.Width - 60, box.Y + 306);
    });
    c.Text(RectF(box.X + 22, box.Y + 14, 300, 22), L"Quorvex 护眼提醒",
           TextStyle{12.5f, false, kTextDim, Align::Left});
    c.Text(RectF(box.X, box.Y + 180, box.Width, 36), L"该休息一下啦",
           TextStyle{26.0f, true, kTextMain, Align::Centre});
    c.Text(RectF(box.X, box.Y + 226, box.Width, 26), L"您已连续使用电脑45分钟了",
           TextStyle{17.0f, true, RGB(255, 170, 110), Align::Centre});
    c.Text(RectF(box.X, box.Y + 258, box.Width, 26), L"起来走走，看看远方，让眼睛休息一下吧！",
           TextStyle{15.0f, false, RGB(201, 212, 224), Align::Centre});
    c.Text(RectF(box.X, box.Y + 318, box.Width, 22), L"小贴士：远眺窗外 20 秒，多眨眨眼，喝杯水",
           TextStyle{12.5f, false, kTextDim, Align::Centre});
}

void UpdaterBanner(const Canvas& c) {
    RectF box = c.Box();
    c.Shapes([&](Gdiplus::Graphics& g) {
        Gdiplus::LinearGradientBrush brush(PointF(box.X, 0), PointF(box.X + box.Width, 0),
                                           Color(255, 33, 45, 62), Color(255, 60, 44, 34));
        g.FillRectangle(&brush, box);
        float s = std::min(box.Height - 12, 48.0f);
        EyeTile(g, RectF(box.X + 12, box.Y + (box.Height - s) / 2, s, s));
    });
    c.Text(RectF(box.X + 72, box.Y, box.Width - 80, box.Height), L"Quorvex 在线升级",
           TextStyle{18.0f, true, kTextMain, Align::Left});
}

}  // namespace

PicturePainter::PicturePainter() : uiFace_(ResolveFace(L"微软雅黑")) {}

void PicturePainter::PaintHover(HDC dc, Picture picture, const TwipRect& rect, double scale) const {
    if (!gdiplus_.Started() || picture == Picture::DownloadLink)
        return;  // the link has its hand cursor
    Canvas c(dc, rect, scale, uiFace_);
    c.Shapes([&](Gdiplus::Graphics& g) {
        RectF box = Inset(c.Box(), 1.5f, 1.5f);
        bool card = picture >= Picture::Preset01 && picture <= Picture::PresetSelected07;
        float radius = card ? 10.0f : std::min(box.Height / 2, 14.0f);
        if (picture >= Picture::SmartOff && picture <= Picture::AutoStartOn)
            radius = box.Height / 2;
        Gdiplus::SolidBrush light(Color(34, 255, 255, 255));
        FillRound(g, box, radius, light);
        StrokeRound(g, box, radius, Color(110, 255, 255, 255), 1.0f);
    });
}

void PicturePainter::PaintSlider(HDC dc, const RECT& channel, const RECT& thumb,
                                 double scale) const {
    if (!gdiplus_.Started())
        return;
    Gdiplus::Graphics g(dc);
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    auto s = static_cast<float>(scale);
    float cy = (thumb.top + thumb.bottom) / 2.0f;
    float h = 6 * s;
    RectF track(static_cast<float>(channel.left), cy - h / 2,
                static_cast<float>(channel.right - channel.left), h);
    Gdiplus::LinearGradientBrush warm(PointF(track.X - 1, 0), PointF(track.X + track.Width + 1, 0),
                                      WarmColour(0), WarmColour(50));
    FillRound(g, track, h / 2, warm);
    float cx = (thumb.left + thumb.right) / 2.0f;
    float r = 8.5f * s;
    Gdiplus::SolidBrush shadow(Color(70, 0, 0, 0));
    g.FillEllipse(&shadow, cx - r, cy - r + 1.5f * s, 2 * r, 2 * r);
    Gdiplus::SolidBrush knob(Color(255, 255, 255, 255));
    g.FillEllipse(&knob, cx - r, cy - r, 2 * r, 2 * r);
    Gdiplus::Pen ring(kAccent, 2.5f * s);
    g.DrawEllipse(&ring, cx - r + 1.25f * s, cy - r + 1.25f * s, 2 * r - 2.5f * s,
                  2 * r - 2.5f * s);
}

std::wstring PicturePainter::FontFace(const std::string& requested) const {
    std::wstring face = Utf8ToWide(requested);
    if (face.empty() || face == L"微软雅黑")
        return uiFace_;
    return FaceInstalled(face) ? face : uiFace_;
}

void PicturePainter::Paint(HDC dc, Picture picture, const TwipRect& rect, double scale) const {
    if (!gdiplus_.Started() || picture == Picture::None || rect.width <= 0 || rect.height <= 0)
        return;
    Canvas c(dc, rect, scale, uiFace_);
    const Color muted(255, 91, 110, 135);
    switch (picture) {
        case Picture::None:
            break;
        case Picture::MainBackground:
            MainBackground(c);
            break;
        case Picture::Logo:
            Logo(c);
            break;
        case Picture::TintPanel:
        case Picture::SettingsPanel:
        case Picture::CounterPanel:
            AreaBackdrop(c);
            break;
        case Picture::ExitButton:
            Button(c, L"退出", false, Color(255, 229, 101, 91), RGB(255, 150, 140), 14.0f);
            break;
        case Picture::HideButton:
            Button(c, L"隐藏", false, muted, kTextMain, 14.0f);
            break;
        case Picture::WebsiteButton:
            Button(c, L"官方网站", true, muted, RGB(255, 255, 255), 14.0f);
            break;
        case Picture::DownloadLink: {
            TextStyle link{13.0f, false, RGB(127, 178, 240), Align::Left, true};
            c.Text(c.Box(), L"访问官网下载页面获取最新版本 »", link);
            break;
        }
        case Picture::SmartOff:
        case Picture::ReminderOff:
        case Picture::AutoStartOff:
            Toggle(c, false);
            break;
        case Picture::SmartOn:
        case Picture::ReminderOn:
        case Picture::AutoStartOn:
            Toggle(c, true);
            break;
        case Picture::Preset01:
        case Picture::Preset02:
        case Picture::Preset03:
        case Picture::Preset04:
        case Picture::Preset05:
        case Picture::Preset06:
        case Picture::Preset07:
            Preset(c, PresetStrength(picture), false);
            break;
        case Picture::PresetSelected01:
        case Picture::PresetSelected02:
        case Picture::PresetSelected03:
        case Picture::PresetSelected04:
        case Picture::PresetSelected05:
        case Picture::PresetSelected06:
        case Picture::PresetSelected07:
            Preset(c, PresetStrength(picture), true);
            break;
        case Picture::ReminderBackground:
            ReminderBackground(c);
            break;
        case Picture::ReminderClose:
            Button(c, L"关闭", true, muted, RGB(255, 255, 255), 17.0f);
            break;
        case Picture::ReminderNeverAgain:
            Button(c, L"不再提醒", false, muted, kTextMain, 17.0f);
            break;
        case Picture::UpdaterBanner:
            UpdaterBanner(c);
            break;
    }
}

}  // namespace qvx::win32
