#pragma once
// Paints a form's view model: its images back to front, then its labels, double-buffered. The
// images are drawn once into a cached layer and drawn again only when the set of visible images
// or the scale changes, or after the window was hidden (a hidden window holds no pictures). A
// paint covers only the area the window asks for, through a buffer of that area's size: a tick
// that rewrites a few labels costs a blit of their boxes from the layer and their texts.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/form_controls.h"
#include "app/win32/picture_painter.h"

namespace qvx::app::win32 {

// The form's answer to "what would a press here click" (twips): the clickable image, or none,
// where a press moves the window instead.
using ClickableAt = std::function<const ImageControl*(int twipX, int twipY)>;

// The clickable image under the pointer, lit up while the pointer rests on it. A short timer
// notices when the pointer has left (mouse-leave tracking is not reliable on colour-keyed
// windows everywhere).
class HoverTracker {
public:
    static constexpr UINT_PTR kTimer = 0x4856;
    // Looks where the pointer is; true when the lit image changed and the window must repaint.
    bool Update(HWND window, const ClickableAt& clickableAt, double scale);
    const ImageControl* Hovered() const { return hovered_; }

private:
    const ImageControl* hovered_ = nullptr;
};

// The hand over a clickable image, the arrow elsewhere, for the pointer's current place.
void SetPointerCursor(HWND window, const ClickableAt& clickableAt, double scale);

// A click on an image is a press and a release on it; a press on the background moves the
// window instead, since the picture is the whole window.
class ImagePress {
public:
    void Down(HWND window, const ClickableAt& clickableAt, double scale, LPARAM lParam);
    // True, with the point in twips, when the button comes up after a press on an image.
    bool Up(double scale, LPARAM lParam, int& twipX, int& twipY);
    // The capture went elsewhere: the press is forgotten.
    void Cancel() { pressed_ = false; }

private:
    bool pressed_ = false;
};

// A 32-bit top-down DIB section selected into its own memory DC.
class Bitmap32 {
public:
    Bitmap32() = default;
    ~Bitmap32();
    Bitmap32(const Bitmap32&) = delete;
    Bitmap32& operator=(const Bitmap32&) = delete;

    bool Resize(int width, int height);  // keeps the bitmap when the size is the same
    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::uint32_t* Pixels() const { return bits_; }
    void Release();

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// Where the keyboard focus ring is drawn: around this control's picture.
struct FocusRing {
    TwipRect rect;
    Picture picture = Picture::None;
};

class FormSurface {
public:
    explicit FormSurface(const PicturePainter& painter) : painter_(painter) {}

    // Paints the area of the form onto dc (client coordinates; what lies outside area is
    // left as it is); width/height: the client size in device pixels.
    // hovered: the clickable image under the pointer, lit up a little (or none); ring: the
    // control with the keyboard focus, while the focus is shown (or none).
    void Paint(HDC dc, const RECT& area, int width, int height, double scale,
               const std::vector<const ImageControl*>& images,
               const std::vector<const LabelControl*>& labels,
               const ImageControl* hovered = nullptr, const FocusRing* ring = nullptr);
    // The pixels a paint of this label covers: its box, and its text where that runs past the
    // box (empty for a label that paints nothing).
    RECT LabelArea(const LabelControl& label, double scale) const;
    // The image layer for this size, scale and set of visible images (form pixel (0,0) at
    // (0,0)), drawn again only when one of them changed or after Release; empty when no
    // bitmap could be made.
    const Bitmap32& Layer(int width, int height, double scale,
                          const std::vector<const ImageControl*>& images);
    void Invalidate() { layerKey_.clear(); }
    // Lets go of the layer and the frame while nothing is shown; the next paint draws the
    // layer again.
    void Release();

private:
    // A frame of up to this share of the window is kept for the next paint (a tick's
    // counters); a larger one is made for one paint only.
    static constexpr int kKeptFrameShare = 4;

    // Draws the label onto dc when what it covers meets area.
    void PaintLabel(HDC dc, const LabelControl& label, double scale, const RECT& area) const;
    // The label's font, made once for its face, size and scale (a tick measures and paints
    // the same few fonts again and again).
    HFONT FontOf(const LabelControl& label, double scale) const;

    struct CachedFont {
        std::string name;
        int size;
        double scale;
        base::win32::Font font;
    };
    // Let go of with the pictures.
    mutable std::vector<CachedFont> fonts_;
    mutable base::win32::CreatedDc measure_;

    const PicturePainter& painter_;
    Bitmap32 layer_;
    Bitmap32 frame_;
    std::vector<int> layerKey_;
};

// A label's box in device pixels.
RECT LabelBox(const LabelControl& label, double scale);

}  // namespace qvx::app::win32
