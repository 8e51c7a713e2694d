#include "app/win32/main_window.h"

#include <commctrl.h>

#include "app/win32/window_util.h"

namespace qvx::app::win32 {

namespace {

constexpr UINT_PTR kSliderId = 100;
constexpr UINT_PTR kSliderSubclass = 1;

}  // namespace

MainWindow::MainWindow(MainForm& form, OwnerWindow& owner, const PicturePainter& painter,
                       base::Log& log)
    : DrawnWindow(
          Frame{L"QuorvexMainForm", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX,
                WS_EX_LAYERED | WS_EX_APPWINDOW, kMainClientWidthTwips, kMainClientHeightTwips,
                /*keyBackground=*/true, /*smallIcon=*/true, "main window"},
          painter, log),
      form_(form),
      owner_(owner),
      painter_(painter),
      log_(log),
      reminder_(form.Reminder(), painter, log,
                [this](const std::function<void()>& h) { Dispatch(h); }),
      settings_(form.Settings(), painter, log,
                [this](const std::function<void()>& h) { Dispatch(h); }),
      handlers_([this] { return form_.Ended(); },
                [this] { base::LogCurrentException(log_, "main window handler"); }) {}

MainWindow::~MainWindow() {
    DiscardFrame();
    owner_.Set(nullptr);
}

const ImageControl* MainWindow::ClickableAt(int twipX, int twipY) const {
    return form_.ClickableAt(twipX, twipY);
}

void MainWindow::Click(int twipX, int twipY) {
    Dispatch([this, twipX, twipY] { form_.ClickAt(twipX, twipY); });
}

std::vector<const ImageControl*> MainWindow::Images() const {
    const auto& all = form_.Controls().ImagesInPaintOrder();
    return std::vector<const ImageControl*>(all.begin(), all.end());
}

std::vector<const LabelControl*> MainWindow::Labels() const {
    const auto& all = form_.Controls().LabelsInPaintOrder();
    return std::vector<const LabelControl*>(all.begin(), all.end());
}

bool MainWindow::Create() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!CreateFrame())
        return false;

    const SliderControl& s = form_.Controls().RGBSlider;
    // Its text is the name screen readers give it.
    slider_ = CreateWindowExW(
        0, TRACKBAR_CLASSW, L"色温调节",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS | TBS_FIXEDLENGTH, 0, 0, 10, 10,
        Handle(), reinterpret_cast<HMENU>(kSliderId), GetModuleHandleW(nullptr), nullptr);
    if (!slider_)
        return false;
    SendMessageW(slider_, TBM_SETRANGEMIN, FALSE, s.min);
    SendMessageW(slider_, TBM_SETRANGEMAX, FALSE, s.max);
    SendMessageW(slider_, TBM_SETLINESIZE, 0, 1);
    SendMessageW(slider_, TBM_SETPAGESIZE, 0, 5);
    SendMessageW(slider_, TBM_SETPOS, TRUE, s.position);
    SetWindowSubclass(slider_, SliderProc, kSliderSubclass, reinterpret_cast<DWORD_PTR>(this));
    Relayout();

    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    owner_.Set(Handle());
    // Unlocking, waking and a display powering on bring the tint back at once.
    wake_.emplace(Handle());
    return true;
}

void MainWindow::LayoutChildren(double scale) {
    if (!slider_)
        return;
    const TwipRect& s = form_.Controls().RGBSlider.rect;
    int height = TwipsToPixels(s.height, scale);
    SendMessageW(slider_, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(height), 0);
    SetWindowPos(slider_, nullptr, TwipsToPixels(s.left, scale), TwipsToPixels(s.top, scale),
                 TwipsToPixels(s.width, scale), height, SWP_NOZORDER | SWP_NOACTIVATE);
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
    if (Destroyed())
        return;
    if (handlers_.Run(handler, whenBusy))
        Sync();
}

void MainWindow::Sync() {
    if (!Handle() || Destroyed())
        return;
    HWND window = Handle();
    if (form_.Ended()) {
        KillTimer(window, kSendInfoTimer);
        DestroyFrame();
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
        SetTimer(window, kSendInfoTimer, static_cast<UINT>(timerInterval_), nullptr);
        timerRunning_ = true;
    } else if (!wantTimer && timerRunning_) {
        KillTimer(window, kSendInfoTimer);
        timerRunning_ = false;
    }
    bool shown = IsWindowVisible(window) != FALSE;
    if (form_.Visible() && !shown) {
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
    } else if (!form_.Visible() && shown) {
        ShowWindow(window, SW_HIDE);
    }
    // Repaint only what changed: mouse moves over the window come through here too, and a
    // tick rewrites only the counters. The slider paints itself over the image layer, so it
    // is painted again whenever the whole window is, and when its thumb moved.
    bool whole = RedrawChanged();
    if (paintedSlider_ != s.position) {
        paintedSlider_ = s.position;
        if (!whole)
            InvalidateRect(window, nullptr, FALSE);
        whole = true;
    }
    if (whole)
        InvalidateRect(slider_, nullptr, FALSE);
    FollowFocus();
    reminder_.Sync();
    settings_.Sync();
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

void MainWindow::PaintSlider(HDC dc) {
    RECT client;
    GetClientRect(slider_, &client);
    if (!sliderBuffer_.Resize(client.right, client.bottom))
        return;
    POINT origin{0, 0};
    MapWindowPoints(slider_, Handle(), &origin, 1);
    // The window's own pixels behind the control, so the slider sits on the panel; drawn off
    // screen, where the shapes are anti-aliased, then copied in one go.
    const Bitmap32& layer = Layer();
    if (layer.Dc()) {
        BitBlt(sliderBuffer_.Dc(), 0, 0, client.right, client.bottom, layer.Dc(), origin.x,
               origin.y, SRCCOPY);
    }
    RECT channel{}, thumb{};
    SendMessageW(slider_, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    SendMessageW(slider_, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const bool ring = form_.Focus().CuesShown() && GetFocus() == slider_;
    painter_.PaintSlider(sliderBuffer_.Dc(), channel, thumb, Scale(), ring ? &client : nullptr);
    GdiFlush();
    BitBlt(dc, 0, 0, client.right, client.bottom, sliderBuffer_.Dc(), 0, 0, SRCCOPY);
}

bool MainWindow::Own(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (taskbarCreated_ && message == taskbarCreated_) {
        Dispatch([this] { form_.TaskbarCreated(); });
        return true;
    }
    switch (message) {
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->hwndFrom == slider_ && header->code == NM_CUSTOMDRAW) {
                auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
                if (draw->dwDrawStage == CDDS_PREPAINT) {
                    PaintSlider(draw->hdc);
                    result = CDRF_SKIPDEFAULT;
                } else {
                    result = CDRF_DODEFAULT;
                }
                return true;
            }
            return false;
        }
        case WM_SHOWWINDOW:
            if (!wParam)
                sliderBuffer_.Release();  // the frame lets go of its own pictures after this
            return false;
        case WM_KEYDOWN: {
            // The keys of the drawn controls: Tab, Space, Enter, Esc.
            const auto key = static_cast<std::uint32_t>(wParam);
            const std::uint32_t modifiers = SettingsWindow::ModifiersHeld();
            Dispatch([this, modifiers, key] { form_.KeyDown(modifiers, key); });
            return true;
        }
        case WM_SETFOCUS:
            // Activated again: the focus goes back where the form has it.
            if (form_.Focus().Id() == MainForm::kSliderControl && slider_)
                SetFocus(slider_);
            return false;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lParam) == slider_) {
                int code = LOWORD(wParam);
                if (code == TB_THUMBTRACK) {
                    dragging_ = true;  // the handler runs on release, not while dragging
                    return true;
                }
                dragging_ = false;
                int position = static_cast<int>(SendMessageW(slider_, TBM_GETPOS, 0, 0));
                Dispatch([this, position] { form_.RGBSlider_Scroll(position); });
                return true;
            }
            return false;
        case WM_TIMER:
            if (wParam == kSendInfoTimer) {
                Run([this] { form_.SendInfoTimer_Timer(); }, WhenBusy::Drop);
                return true;
            }
            return false;
        case WM_MOUSEMOVE: {
            // Ordinary mouse moves and the tray icon's notifications (same message number). A
            // notification carries a mouse message number in lParam; only those are worth
            // keeping while a handler runs.
            bool maybeTray = lParam >= WM_MOUSEFIRST && lParam <= WM_MOUSELAST;
            if (!(form_.TrayAdded() && wParam == form_.Tray().id))
                UpdateHover();
            Run(
                [this, wParam, lParam] {
                    form_.Form_MouseMove(static_cast<std::uintptr_t>(wParam),
                                         static_cast<std::intptr_t>(lParam));
                },
                maybeTray ? WhenBusy::Defer : WhenBusy::Drop);
            return true;
        }
        case WM_HOTKEY: {
            const auto id = static_cast<int>(wParam);
            if (form_.Settings().Recording()) {
                // A field that records takes the combination, even one registered already.
                const std::uint32_t modifiers = LOWORD(lParam) & ~static_cast<UINT>(MOD_NOREPEAT);
                const std::uint32_t key = HIWORD(lParam);
                Dispatch([this, modifiers, key] { form_.Settings().KeyDown(modifiers, key); });
            } else {
                Dispatch([this, id] { form_.HotkeyPressed(id); });
            }
            return true;
        }
        case WM_WTSSESSION_CHANGE:
        case WM_POWERBROADCAST:
            if (IsDisplayWakeMessage(message, wParam, lParam))
                Dispatch([this] { form_.DisplaysAwake(); });
            result = TRUE;
            return message == WM_POWERBROADCAST;
        case WM_DISPLAYCHANGE:
            // A display plugged in or out, or a new mode: the displays are listed again; the
            // system's own handling follows.
            Dispatch([this] { form_.DisplaysChanged(); });
            return false;
        case WM_CLOSE:
            // Closing the window: the unload handler, then the terminate handler.
            Dispatch([this] {
                form_.Form_Unload();
                form_.Form_Terminate();
            });
            return true;
        case WM_QUERYENDSESSION:
            result = TRUE;
            return true;
        case WM_ENDSESSION:
            if (wParam)
                Dispatch([this] { form_.EndSession(); });
            return true;
        case WM_DESTROY:
            KillTimer(Handle(), kSendInfoTimer);
            PostQuitMessage(0);
            return true;
        default:
            return false;
    }
}

bool MainWindow::HoldsFocus() const {
    HWND focus = GetFocus();
    return focus && (focus == Handle() || focus == slider_);
}

void MainWindow::FollowFocus() {
    if (!slider_ || !HoldsFocus())
        return;
    const std::vector<AccessibleControl> controls = form_.AccessibleControls();
    const AccessibleControl* focused = form_.Focus().Focused(controls);
    HWND want = focused && focused->role == AccessibleRole::Slider ? slider_ : Handle();
    if (GetFocus() != want)
        SetFocus(want);
}

LRESULT CALLBACK MainWindow::SliderProc(HWND slider, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<MainWindow*>(data);
    try {
        switch (message) {
            case WM_KEYDOWN: {
                const auto key = static_cast<std::uint32_t>(wParam);
                const std::uint32_t modifiers = SettingsWindow::ModifiersHeld();
                const KeyAction action = KeyActionOf(modifiers, key);
                if (action == KeyAction::Next || action == KeyAction::Previous ||
                    action == KeyAction::Escape) {
                    self->Dispatch([self, modifiers, key] { self->form_.KeyDown(modifiers, key); });
                    return 0;
                }
                // The trackbar's own keys; from the first one on the focus is shown.
                if (!self->form_.Focus().CuesShown()) {
                    self->Dispatch([self] { self->form_.Focus().ShowCues(); });
                    InvalidateRect(slider, nullptr, FALSE);
                }
                break;
            }
            case WM_SETFOCUS:
                // A click on the track or the thumb, or the window activated again.
                self->Dispatch([self] { self->form_.Focus().Set(MainForm::kSliderControl); });
                InvalidateRect(slider, nullptr, FALSE);
                break;
            case WM_KILLFOCUS:
                InvalidateRect(slider, nullptr, FALSE);
                break;
            case WM_NCDESTROY:
                RemoveWindowSubclass(slider, SliderProc, kSliderSubclass);
                break;
            default:
                break;
        }
    } catch (...) {
        base::LogCurrentException(self->log_, "slider key");
    }
    return DefSubclassProc(slider, message, wParam, lParam);
}

}  // namespace qvx::app::win32
