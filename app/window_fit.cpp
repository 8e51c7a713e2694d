#include "app/window_fit.h"

#include <algorithm>

namespace qvx::app {

namespace {

// 0.1 % spare: rounding a scaled size up must not make the window a pixel too large.
constexpr double kSpare = 0.999;

int Width(const PixelRect& r) {
    return r.right - r.left;
}
int Height(const PixelRect& r) {
    return r.bottom - r.top;
}

}  // namespace

double FitScale(double displayScale, int widthAt1, int heightAt1, const PixelRect& work) {
    if (widthAt1 <= 0 || heightAt1 <= 0 || Width(work) <= 0 || Height(work) <= 0) {
        return displayScale;
    }
    const double fit = std::min(static_cast<double>(Width(work)) / widthAt1,
                                static_cast<double>(Height(work)) / heightAt1);
    return fit >= displayScale ? displayScale : fit * kSpare;
}

PixelRect CentreIn(const PixelRect& work, int width, int height) {
    const int left = work.left + (Width(work) - width) / 2;
    const int top = work.top + (Height(work) - height) / 2;
    return KeepInside(work, PixelRect{left, top, left + width, top + height});
}

PixelRect KeepInside(const PixelRect& work, const PixelRect& window) {
    const int width = Width(window);
    const int height = Height(window);
    // Past the right or bottom edge: moved back; then the left and top edges win.
    const int left = std::max(work.left, std::min(window.left, work.right - width));
    const int top = std::max(work.top, std::min(window.top, work.bottom - height));
    return PixelRect{left, top, left + width, top + height};
}

}  // namespace qvx::app
