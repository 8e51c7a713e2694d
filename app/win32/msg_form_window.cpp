#include "app/win32/msg_form_window.h"

#include "app/win32/settings_window.h"
#include "app/win32/window_util.h"

namespace qvx::app::win32 {

MsgFormWindow::MsgFormWindow(MsgForm& form, const PicturePainter& painter, base::Log& log,
                             std::function<void(const std::function<void()>&)> dispatch)
    : DrawnWindow(Frame{L"QuorvexMsgForm", WS_POPUP, WS_EX_LAYERED | WS_EX_TOOLWINDOW,
                        MsgForm::kClientWidthTwips, MsgForm::kClientHeightTwips,
                        /*keyBackground=*/false, /*smallIcon=*/false, "reminder window"},
                  painter, log),
      form_(form),
      dispatch_(std::move(dispatch)) {}

std::vector<const ImageControl*> MsgFormWindow::Images() const {
    return {&form_.Background, &form_.Image3, &form_.Image2, &form_.Image4};
}

const ImageControl* MsgFormWindow::ClickableAt(int twipX, int twipY) const {
    return form_.ClickableAt(twipX, twipY);
}

void MsgFormWindow::Click(int twipX, int twipY) {
    dispatch_([this, twipX, twipY] { form_.ClickAt(twipX, twipY); });
}

bool MsgFormWindow::Create() {
    if (!CreateFrame())
        return false;
    // Load step of the pop-up: topmost without moving or sizing.
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void MsgFormWindow::Sync() {
    if (form_.Visible()) {
        if (!Handle() && !Create())
            return;
        RedrawChanged();
        if (!IsWindowVisible(Handle())) {
            // Where the user is looking: the monitor of the window in front.
            PlaceOn(ForegroundMonitor(Handle()));
        }
        if (!IsWindowVisible(Handle()) || form_.ShowCount() != shownCount_) {
            // A new reminder brings the pop-up to the front even when it is still open.
            SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
            SetForegroundWindow(Handle());
            shownCount_ = form_.ShowCount();
        }
    } else if (Handle() && IsWindowVisible(Handle())) {
        ShowWindow(Handle(), SW_HIDE);
    }
}

std::vector<AccessibleControl> MsgFormWindow::AccessibleControls() const {
    return form_.AccessibleControls();
}

bool MsgFormWindow::Own(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_KEYDOWN) {
        // Tab, Space, Enter and Esc, as the form takes them.
        const auto key = static_cast<std::uint32_t>(wParam);
        const std::uint32_t modifiers = SettingsWindow::ModifiersHeld();
        dispatch_([this, modifiers, key] { form_.KeyDown(modifiers, key); });
        result = 0;
        return true;
    }
    if (message == WM_CLOSE) {
        // Closing the pop-up from the system (Alt+F4) is the close image.
        dispatch_([this] { form_.Image3_Click(); });
        result = 0;
        return true;
    }
    return false;
}

}  // namespace qvx::app::win32
