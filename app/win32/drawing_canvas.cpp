#include "app/win32/drawing_canvas.h"

namespace qvx::app::win32 {

using Gdiplus::Color;
using Gdiplus::GraphicsPath;
using Gdiplus::PointF;
using Gdiplus::RectF;

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

}  // namespace qvx::app::win32
