#include "app/win32/drawn_window.h"

#include <cstdio>

#include "app/win32/window_util.h"
#include "app/window_fit.h"

namespace qvx::app::win32 {

DrawnWindow::DrawnWindow(Frame frame, const PicturePainter& painter, base::Log& log)
    : frame_(frame), log_(log), surface_(painter) {}

DrawnWindow::~DrawnWindow() {
    DiscardFrame();
}

void DrawnWindow::DiscardFrame() {
    ForgetAccessible();
    if (window_ && !destroyed_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        destroyed_ = true;
        DestroyWindow(window_);
    }
}

void DrawnWindow::DestroyFrame() {
    ForgetAccessible();
    destroyed_ = true;
    ShowWindow(window_, SW_HIDE);
    DestroyWindow(window_);
}

double DrawnWindow::Scale() const {
    return window_ ? scale_ : PrimaryScale();
}

HMONITOR DrawnWindow::OpeningMonitor() const {
    return PointerMonitor();
}

SIZE DrawnWindow::OuterSize(double scale) const {
    RECT rect{0, 0, TwipsToPixels(frame_.widthTwips, scale),
              TwipsToPixels(frame_.heightTwips, scale)};
    AdjustWindowRectEx(&rect, frame_.style, FALSE, frame_.exStyle);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

double DrawnWindow::FittedScale(double displayScale, const RECT& work) const {
    const SIZE at1 = OuterSize(1.0);
    return FitScale(displayScale, at1.cx, at1.cy,
                    PixelRect{work.left, work.top, work.right, work.bottom});
}

void DrawnWindow::ApplyPlacement(const RECT& outer) {
    SetWindowPos(window_, nullptr, outer.left, outer.top, outer.right - outer.left,
                 outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutChildren(scale_);
    surface_.Invalidate();
    InvalidateRect(window_, nullptr, FALSE);
}

void DrawnWindow::PlaceOn(HMONITOR monitor) {
    const RECT work = WorkArea(monitor);
    scale_ = FittedScale(MonitorScale(monitor), work);
    const SIZE size = OuterSize(scale_);
    const PixelRect r =
        CentreIn(PixelRect{work.left, work.top, work.right, work.bottom}, size.cx, size.cy);
    ApplyPlacement(RECT{r.left, r.top, r.right, r.bottom});
}

ClickableAt DrawnWindow::Clickable() const {
    return [this](int twipX, int twipY) { return ClickableAt(twipX, twipY); };
}

bool DrawnWindow::Own(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

void DrawnWindow::LayoutChildren(double) {}

bool DrawnWindow::CreateFrame() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, frame_.className, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        if (frame_.smallIcon) {
            wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                       GetSystemMetrics(SM_CXSMICON),
                                                       GetSystemMetrics(SM_CYSMICON), 0));
        }
        // The class lives as long as the program: its brush is never deleted.
        if (frame_.keyBackground)
            wc.hbrBackground = CreateSolidBrush(kColourKey);
        wc.lpszClassName = frame_.className;
        if (!RegisterClassExW(&wc))
            return false;
    }
    const HMONITOR monitor = OpeningMonitor();
    const RECT work = WorkArea(monitor);
    scale_ = FittedScale(MonitorScale(monitor), work);
    const SIZE size = OuterSize(scale_);
    const PixelRect r =
        CentreIn(PixelRect{work.left, work.top, work.right, work.bottom}, size.cx, size.cy);
    if (!CreateWindowExW(frame_.exStyle, frame_.className, L"Quorvex", frame_.style, r.left, r.top,
                         r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, this))
        return false;
    MakeColourKeyed(window_);
    return true;
}

void DrawnWindow::Relayout() {
    const RECT work = WorkArea(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST));
    scale_ = FittedScale(WindowScale(window_), work);
    const SIZE size = OuterSize(scale_);
    RECT now;
    GetWindowRect(window_, &now);
    const PixelRect r = KeepInside(PixelRect{work.left, work.top, work.right, work.bottom},
                                   PixelRect{now.left, now.top, now.left + size.cx,
                                             now.top + size.cy});
    ApplyPlacement(RECT{r.left, r.top, r.right, r.bottom});
}

bool DrawnWindow::RedrawChanged() {
    AnnounceChanges();
    if (!IsWindowVisible(window_)) {
        // Nothing is on screen to bring up to date (a hidden window's tick measures no text);
        // showing the window paints all of it.
        painted_.reset();
        return false;
    }
    FormLook now = LookOf(Labels(), Images());
    const Redraw redraw =
        painted_ ? RedrawBetween(*painted_, now) : Redraw{.whole = true, .labels = {}};
    if (redraw.whole) {
        InvalidateRect(window_, nullptr, FALSE);
    } else {
        // Where the label was and where it is: a shorter or moved text leaves nothing behind.
        const double scale = Scale();
        for (std::size_t i : redraw.labels) {
            const RECT before = surface_.LabelArea(painted_->labels[i], scale);
            const RECT after = surface_.LabelArea(now.labels[i], scale);
            if (!IsRectEmpty(&before))
                InvalidateRect(window_, &before, FALSE);
            if (!IsRectEmpty(&after))
                InvalidateRect(window_, &after, FALSE);
        }
    }
    painted_ = std::move(now);
    return redraw.whole;
}

void DrawnWindow::UpdateHover() {
    if (hover_.Update(window_, Clickable(), Scale()))
        InvalidateRect(window_, nullptr, FALSE);
}

const Bitmap32& DrawnWindow::Layer() {
    RECT client;
    GetClientRect(window_, &client);
    return surface_.Layer(client.right, client.bottom, Scale(), Images());
}

void DrawnWindow::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    RECT client;
    GetClientRect(window_, &client);
    const std::optional<FocusRing> ring = RingNow();
    surface_.Paint(dc, ps.rcPaint, client.right, client.bottom, Scale(), Images(), Labels(),
                   hover_.Hovered(), ring ? &*ring : nullptr);
    EndPaint(window_, &ps);
}

LRESULT CALLBACK DrawnWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<DrawnWindow*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<DrawnWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing crosses the message loop.
        char where[64];
        std::snprintf(where, sizeof where, "%s message 0x%04X", self->frame_.logName, message);
        base::LogCurrentException(self->log_, where);
        return 0;
    }
}

LRESULT DrawnWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY)
        destroyed_ = true;
    LRESULT result = 0;
    if (Own(message, wParam, lParam, result))
        return result;
    if (KeyboardMessage(message, wParam, lParam, result))
        return result;
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SHOWWINDOW:
            // Hidden, the window needs none of its pictures; showing it paints them again.
            if (!wParam)
                surface_.Release();
            break;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == window_ && LOWORD(lParam) == HTCLIENT) {
                SetPointerCursor(window_, Clickable(), Scale());
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            UpdateHover();
            return 0;
        case WM_TIMER:
            if (wParam == HoverTracker::kTimer) {
                UpdateHover();
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
            press_.Down(window_, Clickable(), Scale(), lParam);
            return 0;
        case WM_LBUTTONUP: {
            int x = 0, y = 0;
            if (press_.Up(Scale(), lParam, x, y))
                Click(x, y);
            return 0;
        }
        case WM_CAPTURECHANGED:
            press_.Cancel();
            return 0;
        case WM_DPICHANGED:
            MoveToSuggestedRect(window_, lParam);
            Relayout();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace qvx::app::win32
