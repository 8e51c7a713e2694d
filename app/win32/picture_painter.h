#pragma once
// Draws the pictures of the program's windows. Nothing is loaded from files: every picture is
// drawn from shapes and text at the window's scale, so it stays crisp at any DPI. Pixels outside
// the drawn shapes of a window's background are pure blue, the colour key that makes them
// see-through and click-through.

#include <windows.h>

#include <string>

#include "app/form_controls.h"
#include "base/win32/dpi.h"
#include "base/win32/scoped.h"

namespace qvx::app::win32 {

inline constexpr COLORREF kColourKey = RGB(0, 0, 255);

using base::win32::PixelsToTwips;
using base::win32::TwipsToPixels;

class PicturePainter {
public:
    PicturePainter();
    PicturePainter(const PicturePainter&) = delete;
    PicturePainter& operator=(const PicturePainter&) = delete;

    // Paints one picture into its control rectangle (form twips) on dc, whose pixel (0,0) is the
    // form's (0,0); scale = device pixels per 96-dpi pixel.
    void Paint(HDC dc, Picture picture, const TwipRect& rect, double scale) const;

    // The slider drawn over its (already painted) background, in the control's own pixels:
    // a cool-to-warm track and a round thumb; with focusBox (the control's client area), the
    // keyboard focus ring around it.
    void PaintSlider(HDC dc, const RECT& channel, const RECT& thumb, double scale,
                     const RECT* focusBox = nullptr) const;
    // The keyboard focus ring around a control: an accent outline a little outside its
    // picture, following the picture's shape, as wide at any scale.
    void PaintFocus(HDC dc, Picture picture, const TwipRect& rect, double scale) const;
    // The lit-up look of a clickable picture under the pointer, drawn over it.
    void PaintHover(HDC dc, Picture picture, const TwipRect& rect, double scale) const;

    // The installed face that stands for a requested one (the program asks for "微软雅黑"):
    // the face itself when the system has it, else an installed Chinese face.
    std::wstring FontFace(const std::string& requested) const;
    const std::wstring& UiFace() const { return uiFace_; }

private:
    base::win32::GdiplusSession gdiplus_;
    std::wstring uiFace_;
};

}  // namespace qvx::app::win32
