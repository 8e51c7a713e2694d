#include "app/win32/form_surface.h"

#include <algorithm>
#include <cmath>

#include <windowsx.h>

#include "base/win32/scoped.h"
#include "base/win32/text.h"

namespace qvx::app::win32 {

using base::win32::Utf8ToWide;

bool HoverTracker::Update(HWND window, const ClickableAt& clickableAt, double scale) {
    const ImageControl* now = nullptr;
    POINT p;
    RECT client;
    if (IsWindowVisible(window) && GetCursorPos(&p) && ScreenToClient(window, &p) &&
        GetClientRect(window, &client) && PtInRect(&client, p)) {
        now = clickableAt(PixelsToTwips(p.x, scale), PixelsToTwips(p.y, scale));
    }
    if (now)
        SetTimer(window, kTimer, 150, nullptr);
    else
        KillTimer(window, kTimer);
    if (now == hovered_)
        return false;
    hovered_ = now;
    return true;
}

Bitmap32::~Bitmap32() {
    Release();
}

void Bitmap32::Release() {
    if (dc_) {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    if (bitmap_)
        DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
}

bool Bitmap32::Resize(int width, int height) {
    if (dc_ && width == width_ && height == height_)
        return true;
    Release();
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    if (!bitmap_ || !dc_) {
        Release();
        return false;
    }
    old_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

namespace {

constexpr UINT kLabelFormat = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;

base::win32::Font LabelFont(const PicturePainter& painter, const LabelControl& label,
                            double scale) {
    // Point sizes at 96 dpi: 1 pt = 96/72 pixels.
    int height = -static_cast<int>(std::lround(label.fontSize * 96.0 / 72.0 * scale));
    std::wstring face = painter.FontFace(label.fontName);
    return base::win32::Font(CreateFontW(
        height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
        CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str()));
}

// The box and, where the text runs past it (the text is not clipped), the text's extent; one
// pixel more around it for the edge of anti-aliased glyphs.
RECT TextArea(HDC dc, const RECT& box, const std::wstring& text) {
    RECT extent = box;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent, kLabelFormat | DT_CALCRECT);
    RECT area;
    UnionRect(&area, &box, &extent);
    InflateRect(&area, 1, 1);
    return area;
}

}  // namespace

RECT LabelBox(const LabelControl& label, double scale) {
    return RECT{TwipsToPixels(label.rect.left, scale), TwipsToPixels(label.rect.top, scale),
                TwipsToPixels(label.rect.left + label.rect.width, scale),
                TwipsToPixels(label.rect.top + label.rect.height, scale)};
}

const Bitmap32& FormSurface::Layer(int width, int height, double scale,
                                   const std::vector<const ImageControl*>& images) {
    std::vector<int> key{width, height, static_cast<int>(std::lround(scale * 1000))};
    for (const ImageControl* image : images)
        key.push_back(image->visible ? 1 : 0);
    if (key != layerKey_ || !layer_.Dc()) {
        layerKey_.clear();
        if (!layer_.Resize(width, height))
            return layer_;
        const base::win32::Brush keyBrush(CreateSolidBrush(kColourKey));
        RECT all{0, 0, width, height};
        FillRect(layer_.Dc(), &all, keyBrush.Get());
        for (const ImageControl* image : images) {
            if (image->visible)
                painter_.Paint(layer_.Dc(), image->picture, image->rect, scale);
        }
        GdiFlush();
        layerKey_ = std::move(key);
    }
    return layer_;
}

void FormSurface::Paint(HDC dc, const RECT& area, int width, int height, double scale,
                        const std::vector<const ImageControl*>& images,
                        const std::vector<const LabelControl*>& labels, const ImageControl* hovered,
                        const FocusRing* ring) {
    if (!Layer(width, height, scale, images).Dc())
        return;
    RECT client{0, 0, width, height};
    RECT dirty;
    if (!IntersectRect(&dirty, &area, &client))
        return;
    const int dirtyWidth = dirty.right - dirty.left, dirtyHeight = dirty.bottom - dirty.top;
    // The frame is only as large as the area: a tick's few counters keep a small one for the
    // next tick, a paint of (nearly) the whole window takes one for itself and frees it after.
    Bitmap32 ownFrame;
    Bitmap32* target = &frame_;
    if (frame_.Width() < dirtyWidth || frame_.Height() < dirtyHeight) {
        const bool small = dirtyWidth * dirtyHeight <= width * height / kKeptFrameShare;
        target = small ? &frame_ : &ownFrame;
        if (!target->Resize(small ? std::max(dirtyWidth, frame_.Width()) : dirtyWidth,
                            small ? std::max(dirtyHeight, frame_.Height()) : dirtyHeight))
            return;
    }
    // Drawn in the form's pixels: the frame's (0,0) stands for the area's top-left.
    HDC frame = target->Dc();
    SetViewportOrgEx(frame, -dirty.left, -dirty.top, nullptr);
    BitBlt(frame, dirty.left, dirty.top, dirtyWidth, dirtyHeight, layer_.Dc(), dirty.left,
           dirty.top, SRCCOPY);
    IntersectClipRect(frame, dirty.left, dirty.top, dirty.right, dirty.bottom);
    for (const LabelControl* label : labels) {
        if (label->Shows())
            PaintLabel(frame, *label, scale, dirty);
    }
    if (hovered && hovered->visible)
        painter_.PaintHover(frame, hovered->picture, hovered->rect, scale);
    if (ring)
        painter_.PaintFocus(frame, ring->picture, ring->rect, scale);
    SelectClipRgn(frame, nullptr);
    SetViewportOrgEx(frame, 0, 0, nullptr);
    GdiFlush();
    BitBlt(dc, dirty.left, dirty.top, dirtyWidth, dirtyHeight, frame, 0, 0, SRCCOPY);
}

void FormSurface::Release() {
    layer_.Release();
    frame_.Release();
    layerKey_.clear();
    measure_.Reset();
    fonts_.clear();
}

HFONT FormSurface::FontOf(const LabelControl& label, double scale) const {
    for (const CachedFont& cached : fonts_) {
        if (cached.size == label.fontSize && cached.scale == scale && cached.name == label.fontName)
            return cached.font.Get();
    }
    fonts_.push_back(
        CachedFont{label.fontName, label.fontSize, scale, LabelFont(painter_, label, scale)});
    return fonts_.back().font.Get();
}

RECT FormSurface::LabelArea(const LabelControl& label, double scale) const {
    if (!label.Shows())
        return RECT{};
    if (!measure_.Get())
        measure_.Reset(CreateCompatibleDC(nullptr));
    const base::win32::SelectedObject selected(measure_.Get(), FontOf(label, scale));
    return TextArea(measure_.Get(), LabelBox(label, scale), Utf8ToWide(label.text));
}

void FormSurface::PaintLabel(HDC dc, const LabelControl& label, double scale,
                             const RECT& area) const {
    const base::win32::SelectedObject selected(dc, FontOf(label, scale));
    RECT box = LabelBox(label, scale);
    std::wstring text = Utf8ToWide(label.text);
    RECT covered = TextArea(dc, box, text);
    RECT overlap;
    if (!IntersectRect(&overlap, &covered, &area))
        return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(label.color & 0xFFFFFF));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, kLabelFormat);
}

void ImagePress::Down(HWND window, const ClickableAt& clickableAt, double scale, LPARAM lParam) {
    const int x = PixelsToTwips(GET_X_LPARAM(lParam), scale);
    const int y = PixelsToTwips(GET_Y_LPARAM(lParam), scale);
    if (clickableAt(x, y)) {
        pressed_ = true;
        SetCapture(window);
    } else {
        ReleaseCapture();
        SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
}

bool ImagePress::Up(double scale, LPARAM lParam, int& twipX, int& twipY) {
    if (!pressed_) {
        return false;
    }
    pressed_ = false;
    ReleaseCapture();
    twipX = PixelsToTwips(GET_X_LPARAM(lParam), scale);
    twipY = PixelsToTwips(GET_Y_LPARAM(lParam), scale);
    return true;
}

void SetPointerCursor(HWND window, const ClickableAt& clickableAt, double scale) {
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(window, &p);
    const bool onImage = clickableAt(PixelsToTwips(p.x, scale), PixelsToTwips(p.y, scale));
    SetCursor(LoadCursorA(nullptr, onImage ? IDC_HAND : IDC_ARROW));
}

}  // namespace qvx::app::win32
