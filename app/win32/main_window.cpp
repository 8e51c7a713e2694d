#include "app/win32/main_window.h"

#include <commctrl.h>

#include <cstdio>

#include "app/win32/window_util.h"

namespace qvx::win32 {

namespace {

const wchar_t kClassName[] = L"QuorvexMainForm";
constexpr DWORD kStyle = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_LAYERED | WS_EX_APPWINDOW;
constexpr UINT_PTR kSendInfoTimer = 1;
constexpr UINT_PTR kSliderId = 100;

}  // namespace

MainWindow::MainWindow(MainForm& form, OwnerWindow& owner, const PicturePainter& painter,
                       base::Log& log)
    : form_(form),
      owner_(owner),
      painter_(painter),
      log_(log),
      surface_(painter),
      reminder_(form.Reminder(), painter, log,
                [this](const std::function<void()>& h) { Dispatch(h); }),
      handlers_([this] { return form_.Ended(); },
                [this] { base::LogCurrentException(log_, "main window handler"); }) {}

MainWindow::~MainWindow() {
    if (window_ && !destroyed_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    owner_.Set(nullptr);
}

double MainWindow::Scale() const {
    return window_ ? WindowScale(window_) : PrimaryScale();
}

ClickableAt MainWindow::Clickable() const {
    return [this](int twipX, int twipY) { return form_.ClickableAt(twipX, twipY); };
}

std::vector<const ImageControl*> MainWindow::Images() const {
    const auto& all = form_.Controls().ImagesInPaintOrder();
    return std::vector<const ImageControl*>(all.begin(), all.end());
}

std::vector<const LabelControl*> MainWindow::Labels() const {
    const MainFormControls& c = form_.Controls();
    return {&c.PcVer, &c.PLSYSJ, &c.Fen, &c.KJSC, &c.LJSY, &c.BCSC, &c.ZDSC, &c.GammaNotice};
}

bool MainWindow::Create() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    // The window's background colour is the colour key.
    wc.hbrBackground = CreateSolidBrush(kColourKey);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
        return false;

    double scale = PrimaryScale();
    RECT r = CentredRect(TwipsToPixels(kMainClientWidthTwips, scale),
                         TwipsToPixels(kMainClientHeightTwips, scale), kStyle, kExStyle);
    window_ = CreateWindowExW(kExStyle, kClassName, L"Quorvex", kStyle, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, this);
    if (!window_)
        return false;
    MakeColourKeyed(window_);

    const SliderControl& s = form_.Controls().RGBSlider;
    slider_ = CreateWindowExW(
        0, TRACKBAR_CLASSW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS | TBS_FIXEDLENGTH, 0, 0, 10, 10,
        window_, reinterpret_cast<HMENU>(kSliderId), instance, nullptr);
    if (!slider_)
        return false;
    SendMessageW(slider_, TBM_SETRANGEMIN, FALSE, s.min);
    SendMessageW(slider_, TBM_SETRANGEMAX, FALSE, s.max);
    SendMessageW(slider_, TBM_SETLINESIZE, 0, 1);
    SendMessageW(slider_, TBM_SETPAGESIZE, 0, 5);
    SendMessageW(slider_, TBM_SETPOS, TRUE, s.position);
    Layout();

    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    owner_.Set(window_);
    return true;
}

void MainWindow::Layout() {
    double scale = Scale();
    RECT r = CentredRect(TwipsToPixels(kMainClientWidthTwips, scale),
                         TwipsToPixels(kMainClientHeightTwips, scale), kStyle, kExStyle);
    RECT now;
    GetWindowRect(window_, &now);
    SetWindowPos(window_, nullptr, now.left, now.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    const TwipRect& s = form_.Controls().RGBSlider.rect;
    int height = TwipsToPixels(s.height, scale);
    SendMessageW(slider_, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(height), 0);
    SetWindowPos(slider_, nullptr, TwipsToPixels(s.left, scale), TwipsToPixels(s.top, scale),
                 TwipsToPixels(s.width, scale), height, SWP_NOZORDER | SWP_NOACTIVATE);
    surface_.Invalidate();
    InvalidateRect(window_, nullptr, FALSE);
}

void MainWindow::Load() {
    Dispatch([this] { form_.Form_Load(); });
}

void MainWindow::Dispatch(const std::function<void()>& handler) {
    Run(handler, WhenBusy::Defer);
}

void MainWindow::Run(const std::function<void()>& handler, WhenBusy whenBusy) {
    // Handlers never run inside one another (see HandlerQueue); the window follows the form
    // once they are done.
    if (destroyed_)
        return;
    if (handlers_.Run(handler, whenBusy))
        Sync();
}

void MainWindow::Sync() {
    if (!window_ || destroyed_)
        return;
    if (form_.Ended()) {
        destroyed_ = true;
        KillTimer(window_, kSendInfoTimer);
        ShowWindow(window_, SW_HIDE);
        DestroyWindow(window_);
        return;
    }
    // The slider follows the model, except while the user drags its thumb.
    const SliderControl& s = form_.Controls().RGBSlider;
    if (!dragging_ && SendMessageW(slider_, TBM_GETPOS, 0, 0) != s.position) {
        SendMessageW(slider_, TBM_SETPOS, TRUE, s.position);
    }
    bool wantTimer = form_.SendInfoTimerEnabled() && form_.SendInfoTimerInterval() > 0;
    if (wantTimer && (!timerRunning_ || timerInterval_ != form_.SendInfoTimerInterval())) {
        timerInterval_ = form_.SendInfoTimerInterval();
        SetTimer(window_, kSendInfoTimer, static_cast<UINT>(timerInterval_), nullptr);
        timerRunning_ = true;
    } else if (!wantTimer && timerRunning_) {
        KillTimer(window_, kSendInfoTimer);
        timerRunning_ = false;
    }
    bool shown = IsWindowVisible(window_) != FALSE;
    if (form_.Visible() && !shown) {
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
    } else if (!form_.Visible() && shown) {
        ShowWindow(window_, SW_HIDE);
    }
    // Repaint only what changed: mouse moves over the window come through here too.
    std::string snapshot = Snapshot();
    if (snapshot != painted_) {
        painted_ = snapshot;
        InvalidateRect(window_, nullptr, FALSE);
        InvalidateRect(slider_, nullptr, FALSE);
    }
    reminder_.Sync();
}

int MainWindow::Run() {
    MSG msg;
    for (;;) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

std::string MainWindow::Snapshot() const {
    std::string state;
    for (const LabelControl* label : Labels())
        state += label->text + '\n';
    for (const ImageControl* image : Images())
        state += image->visible ? '1' : '0';
    state += std::to_string(form_.Controls().RGBSlider.position);
    return state;
}

LRESULT CALLBACK MainWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<MainWindow*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        // Nothing crosses the message loop.
        char where[48];
        std::snprintf(where, sizeof where, "main window message 0x%04X", message);
        base::LogCurrentException(self->log_, where);
        return 0;
    }
}

void MainWindow::PaintSlider(HDC dc) {
    RECT client;
    GetClientRect(slider_, &client);
    if (!sliderBuffer_.Resize(client.right, client.bottom))
        return;
    POINT origin{0, 0};
    MapWindowPoints(slider_, window_, &origin, 1);
    // The window's own pixels behind the control, so the slider sits on the panel; drawn off
    // screen, where the shapes are anti-aliased, then copied in one go.
    const Bitmap32& layer = surface_.Layer();
    if (layer.Dc()) {
        BitBlt(sliderBuffer_.Dc(), 0, 0, client.right, client.bottom, layer.Dc(), origin.x,
               origin.y, SRCCOPY);
    }
    RECT channel{}, thumb{};
    SendMessageW(slider_, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    SendMessageW(slider_, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    painter_.PaintSlider(sliderBuffer_.Dc(), channel, thumb, Scale());
    GdiFlush();
    BitBlt(dc, 0, 0, client.right, client.bottom, sliderBuffer_.Dc(), 0, 0, SRCCOPY);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (taskbarCreated_ && message == taskbarCreated_) {
        Dispatch([this] { form_.TaskbarCreated(); });
        return 0;
    }
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window_, &ps);
            RECT client;
            GetClientRect(window_, &client);
            surface_.Paint(dc, client.right, client.bottom, Scale(), Images(), Labels(),
                           hover_.Hovered());
            EndPaint(window_, &ps);
            return 0;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->hwndFrom == slider_ && header->code == NM_CUSTOMDRAW) {
                auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
                if (draw->dwDrawStage == CDDS_PREPAINT) {
                    PaintSlider(draw->hdc);
                    return CDRF_SKIPDEFAULT;
                }
                return CDRF_DODEFAULT;
            }
            break;
        }
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lParam) == slider_) {
                int code = LOWORD(wParam);
                if (code == TB_THUMBTRACK) {
                    dragging_ = true;  // the handler runs on release, not while dragging
                    return 0;
                }
                dragging_ = false;
                int position = static_cast<int>(SendMessageW(slider_, TBM_GETPOS, 0, 0));
                Dispatch([this, position] { form_.RGBSlider_Scroll(position); });
                return 0;
            }
            break;
        case WM_TIMER:
            if (wParam == HoverTracker::kTimer) {
                if (hover_.Update(window_, Clickable(), Scale()))
                    InvalidateRect(window_, nullptr, FALSE);
                return 0;
            }
            if (wParam == kSendInfoTimer) {
                Run([this] { form_.SendInfoTimer_Timer(); }, WhenBusy::Drop);
                return 0;
            }
            break;
        case WM_MOUSEMOVE: {
            // Ordinary mouse moves and the tray icon's notifications (same message number). A
            // notification carries a mouse message number in lParam; only those are worth
            // keeping while a handler runs.
            bool maybeTray = lParam >= WM_MOUSEFIRST && lParam <= WM_MOUSELAST;
            if (!(form_.TrayAdded() && wParam == form_.Tray().id) &&
                hover_.Update(window_, Clickable(), Scale()))
                InvalidateRect(window_, nullptr, FALSE);
            Run(
                [this, wParam, lParam] {
                    form_.Form_MouseMove(static_cast<std::uintptr_t>(wParam),
                                         static_cast<std::intptr_t>(lParam));
                },
                maybeTray ? WhenBusy::Defer : WhenBusy::Drop);
            return 0;
        }
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == window_ && LOWORD(lParam) == HTCLIENT) {
                SetPointerCursor(window_, Clickable(), Scale());
                return TRUE;
            }
            break;
        case WM_LBUTTONDOWN:
            press_.Down(window_, Clickable(), Scale(), lParam);
            return 0;
        case WM_LBUTTONUP: {
            int x = 0, y = 0;
            if (press_.Up(Scale(), lParam, x, y)) {
                Dispatch([this, x, y] { form_.ClickAt(x, y); });
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            press_.Cancel();
            return 0;
        case WM_DISPLAYCHANGE:
            // A display plugged in or out, or a new mode: the displays are listed again.
            Dispatch([this] { form_.DisplaysChanged(); });
            break;
        case WM_DPICHANGED: {
            MoveToSuggestedRect(window_, lParam);
            Layout();
            return 0;
        }
        case WM_CLOSE:
            // Closing the window: the unload handler, then the terminate handler.
            Dispatch([this] {
                form_.Form_Unload();
                form_.Form_Terminate();
            });
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam)
                Dispatch([this] { form_.EndSession(); });
            return 0;
        case WM_DESTROY:
            destroyed_ = true;
            KillTimer(window_, kSendInfoTimer);
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace qvx::win32
