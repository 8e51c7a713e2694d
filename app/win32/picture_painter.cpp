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

PicturePainter::PicturePainter() : uiFace_(base::win32::ChineseUiFace(L"微软雅黑")) {}

void PicturePainter::PaintHover(HDC dc, Picture picture, const TwipRect& rect, double scale) const {
    if (!gdiplus_.Started() || picture == Picture::DownloadLink ||
        picture == Picture::ReminderSnooze)
        return;  // a link has its hand cursor
    Canvas c(dc, rect, scale, uiFace_);
    c.Shapes([&](Gdiplus::Graphics& g) {
        RectF box = Inset(c.Box(), 1.5f, 1.5f);
        bool card = picture >= Picture::Preset01 && picture <= Picture::PresetSelected07;
        float radius = card ? 10.0f : std::min(box.Height / 2, 14.0f);
        if ((picture >= Picture::SmartOff && picture <= Picture::AutoStartOn) ||
            picture == Picture::SwitchOff || picture == Picture::SwitchOn)
            radius = box.Height / 2;
        else if (picture == Picture::HotkeyField || picture == Picture::HotkeyFieldRecording)
            radius = 6.0f;
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
