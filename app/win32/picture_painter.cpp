#include "app/win32/picture_painter.h"

#include "app/win32/drawing_canvas.h"
#include "app/win32/main_window_pictures.h"
#include "app/win32/reminder_pictures.h"
#include "app/win32/settings_pictures.h"
#include "base/win32/fonts.h"
#include "base/win32/text.h"

namespace qvx::app::win32 {

using base::win32::Utf8ToWide;
using Gdiplus::Color;
using Gdiplus::PointF;
using Gdiplus::RectF;

namespace {

// The corner radius of a clickable picture's outline, in 96-dpi pixels of its box.
float OutlineRadius(Picture picture, const RectF& box) {
    if (picture >= Picture::Preset01 && picture <= Picture::PresetSelected07)
        return 10.0f;
    if ((picture >= Picture::SmartOff && picture <= Picture::AutoStartOn) ||
        picture == Picture::SwitchOff || picture == Picture::SwitchOn)
        return box.Height / 2;
    if (picture == Picture::HotkeyField || picture == Picture::HotkeyFieldRecording)
        return 6.0f;
    if (picture == Picture::DownloadLink || picture == Picture::ReminderSnooze)
        return 4.0f;
    return std::min(box.Height / 2, 14.0f);
}

}  // namespace

PicturePainter::PicturePainter() : uiFace_(base::win32::ChineseUiFace(L"微软雅黑")) {}

void PicturePainter::PaintHover(HDC dc, Picture picture, const TwipRect& rect, double scale) const {
    if (!gdiplus_.Started() || picture == Picture::DownloadLink ||
        picture == Picture::ReminderSnooze)
        return;  // a link has its hand cursor
    Canvas c(dc, rect, scale, uiFace_);
    c.Shapes([&](Gdiplus::Graphics& g) {
        RectF box = Inset(c.Box(), 1.5f, 1.5f);
        float radius = OutlineRadius(picture, box);
        Gdiplus::SolidBrush light(Color(34, 255, 255, 255));
        FillRound(g, box, radius, light);
        StrokeRound(g, box, radius, Color(110, 255, 255, 255), 1.0f);
    });
}

void PicturePainter::PaintFocus(HDC dc, Picture picture, const TwipRect& rect, double scale) const {
    if (!gdiplus_.Started())
        return;
    // Drawn on a box 4 pixels larger all round, so that the ring stands clear of the picture.
    constexpr int kOut = 4 * 15;
    const TwipRect grown{rect.left - kOut, rect.top - kOut, rect.width + 2 * kOut,
                         rect.height + 2 * kOut};
    Canvas c(dc, grown, scale, uiFace_);
    const RectF inner = Inset(c.Box(), 4.0f, 4.0f);
    c.Shapes([&](Gdiplus::Graphics& g) {
        const RectF ring = Inset(c.Box(), 1.75f, 1.75f);
        StrokeRound(g, ring, OutlineRadius(picture, inner) + 2.25f, kAccentLight, 2.0f);
    });
}

void PicturePainter::PaintSlider(HDC dc, const RECT& channel, const RECT& thumb, double scale,
                                 const RECT* focusBox) const {
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
    if (focusBox != nullptr) {
        const RectF box(focusBox->left + 1.0f * s, focusBox->top + 1.0f * s,
                        focusBox->right - focusBox->left - 2.0f * s,
                        focusBox->bottom - focusBox->top - 2.0f * s);
        Gdiplus::Pen focus(kAccentLight, 2.0f * s);
        Gdiplus::GraphicsPath path;
        AddRoundRect(path, box, box.Height / 2);
        g.DrawPath(&focus, &path);
    }
}

std::wstring PicturePainter::FontFace(const std::string& requested) const {
    std::wstring face = Utf8ToWide(requested);
    if (face.empty() || face == L"微软雅黑")
        return uiFace_;
    return base::win32::FaceInstalled(face) ? face : uiFace_;
}

void PicturePainter::Paint(HDC dc, Picture picture, const TwipRect& rect, double scale) const {
    if (!gdiplus_.Started() || picture == Picture::None || rect.width <= 0 || rect.height <= 0)
        return;
    Canvas c(dc, rect, scale, uiFace_);
    if (!PaintMainWindowPicture(c, picture) && !PaintReminderPicture(c, picture))
        PaintSettingsPicture(c, picture);
}

}  // namespace qvx::app::win32
