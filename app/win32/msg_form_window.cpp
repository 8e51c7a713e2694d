#include "app/win32/msg_form_window.h"

#include <cstdio>

#include "app/win32/window_util.h"

namespace qvx::win32 {

namespace {

const wchar_t kClassName[] = L"QuorvexMsgForm";
constexpr DWORD kStyle = WS_POPUP;
constexpr DWORD kExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW;

}  // namespace

MsgFormWindow::MsgFormWindow(MsgForm& form, const PicturePainter& painter, base::Log& log,
                             std::function<void(const std::function<void()>&)> dispatch)
    : form_(form), log_(log), surface_(painter), dispatch_(std::move(dispatch)) {}

MsgFormWindow::~MsgFormWindow() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

double MsgFormWindow::Scale() const {
    return window_ ? WindowScale(window_) : PrimaryScale();
}

ClickableAt MsgFormWindow::Clickable() const {
    return [this](int twipX, int twipY) { return form_.ClickableAt(twipX, twipY); };
}

std::vector<const ImageControl*> MsgFormWindow::Images() const {
    return {&form_.Background, &form_.Image3, &form_.Image2};
}

bool MsgFormWindow::Create() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, kClassName, &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc))
            return false;
    }
    double scale = PrimaryScale();
    RECT r = CentredRect(TwipsToPixels(MsgForm::kClientWidthTwips, scale),
                         TwipsToPixels(MsgForm::kClientHeightTwips, scale), kStyle, kExStyle);
    window_ = CreateWindowExW(kExStyle, kClassName, L"Quorvex", kStyle, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, this);
    if (!window_)
        return false;
    // Load step of the pop-up: topmost without moving or sizing, colour key as the main window.
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    MakeColourKeyed(window_);
    return true;
}

void MsgFormWindow::Sync() {
    if (form_.Visible()) {
        if (!window_ && !Create())
            return;
        if (!IsWindowVisible(window_) || form_.ShowCount() != shownCount_) {
            // A new reminder brings the pop-up to the front even when it is still open.
            SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
            SetForegroundWindow(window_);
            shownCount_ = form_.ShowCount();
        }
    } else if (window_ && IsWindowVisible(window_)) {
        ShowWindow(window_, SW_HIDE);
    }
}

LRESULT CALLBACK MsgFormWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<MsgFormWindow*>(create->lpCreateParams)->window_ = window;
    }
    auto* self = reinterpret_cast<MsgFormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        // Nothing crosses the message loop.
        char where[48];
        std::snprintf(where, sizeof where, "reminder window message 0x%04X", message);
        base::LogCurrentException(self->log_, where);
        return 0;
    }
}

LRESULT MsgFormWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window_, &ps);
            RECT client;
            GetClientRect(window_, &client);
            surface_.Paint(dc, client.right, client.bottom, Scale(), Images(), {},
                           hover_.Hovered());
            EndPaint(window_, &ps);
            return 0;
        }
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                SetPointerCursor(window_, Clickable(), Scale());
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            if (hover_.Update(window_, Clickable(), Scale()))
                InvalidateRect(window_, nullptr, FALSE);
            return 0;
        case WM_TIMER:
            if (wParam == HoverTracker::kTimer) {
                if (hover_.Update(window_, Clickable(), Scale()))
                    InvalidateRect(window_, nullptr, FALSE);
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
            press_.Down(window_, Clickable(), Scale(), lParam);
            return 0;
        case WM_LBUTTONUP: {
            int x = 0, y = 0;
            if (press_.Up(Scale(), lParam, x, y)) {
                dispatch_([this, x, y] { form_.ClickAt(x, y); });
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            press_.Cancel();
            return 0;
        case WM_DPICHANGED: {
            MoveToSuggestedRect(window_, lParam);
            surface_.Invalidate();
            InvalidateRect(window_, nullptr, FALSE);
            return 0;
        }
        case WM_CLOSE:
            // Closing the pop-up from the system (Alt+F4) is the close image.
            dispatch_([this] { form_.Image3_Click(); });
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace qvx::win32
