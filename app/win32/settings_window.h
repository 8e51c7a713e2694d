#pragma once
// The settings window: a drawn window like the main window and the reminder, created the first
// time the form opens, hidden (never destroyed) when it closes. It adds the keyboard: Esc
// closes it, and a hotkey field that records takes the next combination pressed.

#include <windows.h>

#include <array>
#include <functional>

#include "app/settings_form.h"
#include "app/win32/drawn_window.h"
#include "base/log.h"

namespace qvx::app::win32 {

class SettingsWindow : public DrawnWindow {
public:
    ~SettingsWindow() override;

    // dispatch runs a handler of the form and brings every window in line with the model.
    SettingsWindow(SettingsForm& form, const PicturePainter& painter, base::Log& log,
                   std::function<void(const std::function<void()>&)> dispatch);

    // Shows, raises or hides the window to match the form.
    void Sync();

    // The modifier flags (kModAlt ...) held now, as the keyboard state says.
    static std::uint32_t ModifiersHeld();

private:
    bool Create();
    std::vector<const ImageControl*> Images() const override;
    std::vector<const LabelControl*> Labels() const override;
    const ImageControl* ClickableAt(int twipX, int twipY) const override;
    void Click(int twipX, int twipY) override;
    bool Own(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    std::vector<AccessibleControl> AccessibleControls() const override {
        return form_.AccessibleControls();
    }
    const KeyboardFocus* Keyboard() const override { return &form_.Focus(); }
    std::string Title() const override { return "Quorvex 设置"; }
    void LayoutChildren(double scale) override;
    // Each edit control shows its field's text, except the one the user is typing in.
    void SyncFields();
    // Enter in an edit control commits its field.
    static LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR field, DWORD_PTR self);

    SettingsForm& form_;
    std::function<void(const std::function<void()>&)> dispatch_;
    int shownCount_ = 0;
    std::array<HWND, SettingsForm::kFieldCount> edits_{};
    HFONT font_ = nullptr;
    HBRUSH editBrush_ = nullptr;
    bool settingText_ = false;  // a change the window makes itself is not the user's edit
};

}  // namespace qvx::app::win32
