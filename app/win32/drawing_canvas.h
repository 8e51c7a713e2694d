#pragma once
// The drawing canvas the pictures of both windows are painted on: shapes with GDI+
// (anti-aliased), texts with GDI (which links the fonts that hold the Chinese glyphs), and the
// shapes and palette the pictures share. Coordinates are 96-dpi pixels of the whole form.

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "app/form_controls.h"
#include "base/win32/scoped.h"

namespace qvx::app::win32 {

// Palette of the dark panels.
inline const Gdiplus::Color kEdge(255, 12, 17, 25);
inline const Gdiplus::Color kPanelTop(255, 33, 45, 62);
inline const Gdiplus::Color kPanelBottom(255, 20, 27, 38);
inline const Gdiplus::Color kCard(255, 37, 50, 69);
inline const Gdiplus::Color kCardBorder(255, 52, 68, 90);
inline const Gdiplus::Color kAccent(255, 255, 135, 62);
inline const Gdiplus::Color kAccentLight(255, 255, 166, 92);
inline const COLORREF kTextMain = RGB(234, 240, 247);
inline const COLORREF kTextDim = RGB(143, 163, 184);
inline const COLORREF kTextAccent = RGB(255, 135, 62);

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
        box_ = Gdiplus::RectF(rect.left / 15.0f, rect.top / 15.0f, rect.width / 15.0f,
                              rect.height / 15.0f);
    }
    const Gdiplus::RectF& Box() const { return box_; }

    void Shapes(const std::function<void(Gdiplus::Graphics&)>& draw) const {
        Gdiplus::Graphics g(dc_);
        g.SetPageUnit(Gdiplus::UnitPixel);
        g.ScaleTransform(static_cast<float>(scale_), static_cast<float>(scale_));
        g.SetClip(box_);
        g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        draw(g);
    }

    void Text(const Gdiplus::RectF& where, const std::wstring& text, const TextStyle& style) const {
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
    Gdiplus::RectF box_;
};

void AddRoundRect(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& r, float radius);
Gdiplus::RectF Inset(const Gdiplus::RectF& r, float dx, float dy);
void FillRound(Gdiplus::Graphics& g, const Gdiplus::RectF& r, float radius,
               const Gdiplus::Brush& brush);
void StrokeRound(Gdiplus::Graphics& g, const Gdiplus::RectF& r, float radius, Gdiplus::Color colour,
                 float width);
void FillVertical(Gdiplus::Graphics& g, const Gdiplus::RectF& r, float radius, Gdiplus::Color top,
                  Gdiplus::Color bottom);
// A window background: a rounded dark panel with the colour key outside its outline.
void PanelWindowBackground(const Canvas& c, float radius);
// The program's mark: the eye on a warm tile.
void EyeTile(Gdiplus::Graphics& g, const Gdiplus::RectF& r);
// Swatch colour of a tint strength 0..50.
Gdiplus::Color WarmColour(int strength);
// A rounded button: filled (accent) or outlined.
void Button(const Canvas& c, const std::wstring& caption, bool filled, Gdiplus::Color border,
            COLORREF text, float textSize);

}  // namespace qvx::app::win32
