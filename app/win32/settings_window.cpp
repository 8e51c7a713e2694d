#include "app/win32/settings_window.h"

#include "app/desktop_ports.h"

namespace qvx::app::win32 {

SettingsWindow::SettingsWindow(SettingsForm& form, const PicturePainter& painter, base::Log& log,
                               std::function<void(const std::function<void()>&)> dispatch)
    : DrawnWindow(Frame{L"QuorvexSettings", WS_POPUP | WS_SYSMENU, WS_EX_LAYERED,
                        SettingsForm::kClientWidthTwips, SettingsForm::kClientHeightTwips,
                        /*keyBackground=*/false, /*smallIcon=*/true, "settings window"},
                  painter, log),
      form_(form),
      dispatch_(std::move(dispatch)) {}

std::vector<const ImageControl*> SettingsWindow::Images() const {
    return form_.Images();
}

std::vector<const LabelControl*> SettingsWindow::Labels() const {
    return form_.Labels();
}

const ImageControl* SettingsWindow::ClickableAt(int twipX, int twipY) const {
    return form_.ClickableAt(twipX, twipY);
}

void SettingsWindow::Click(int twipX, int twipY) {
    dispatch_([this, twipX, twipY] { form_.ClickAt(twipX, twipY); });
}

bool SettingsWindow::Create() {
    return CreateFrame();
}

void SettingsWindow::Sync() {
    if (form_.Visible()) {
        if (!Handle() && !Create())
            return;
        RedrawChanged();
        if (!IsWindowVisible(Handle()) || form_.ShowCount() != shownCount_) {
            ShowWindow(Handle(), SW_SHOWNORMAL);
            SetForegroundWindow(Handle());
            SetFocus(Handle());
            shownCount_ = form_.ShowCount();
        }
    } else if (Handle() && IsWindowVisible(Handle())) {
        ShowWindow(Handle(), SW_HIDE);
    }
}

std::uint32_t SettingsWindow::ModifiersHeld() {
    auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    std::uint32_t modifiers = 0;
    if (down(VK_CONTROL))
        modifiers |= kModControl;
    if (down(VK_MENU))
        modifiers |= kModAlt;
    if (down(VK_SHIFT))
        modifiers |= kModShift;
    if (down(VK_LWIN) || down(VK_RWIN))
        modifiers |= kModWin;
    return modifiers;
}

bool SettingsWindow::Own(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            const auto key = static_cast<std::uint32_t>(wParam);
            const std::uint32_t modifiers = ModifiersHeld();
            const bool recording = form_.Recording().has_value();
            dispatch_([this, modifiers, key] { form_.KeyDown(modifiers, key); });
            // While a field records, Alt combinations are the user's, not the system menu's;
            // otherwise Alt+F4 and the like keep their system meaning.
            return recording || message == WM_KEYDOWN;
        }
        case WM_SYSCHAR:
            return form_.Recording().has_value();
        case WM_CLOSE:
            // Alt+F4 or the system's close: the form's close.
            dispatch_([this] { form_.CloseImage_Click(); });
            return true;
        default:
            return false;
    }
}

}  // namespace qvx::app::win32
