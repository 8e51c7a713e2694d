#pragma once
// The window of the rest reminder pop-up: created the first time the form is shown, topmost and
// colour-keyed like the main window, modeless, hidden (never destroyed) when the form hides.
// The drawn frame does the rest; this window adds its images, its clicks and its close.

#include <windows.h>

#include <functional>

#include "app/main_form.h"
#include "app/win32/drawn_window.h"
#include "base/log.h"

namespace qvx::app::win32 {

class MsgFormWindow : public DrawnWindow {
public:
    // dispatch runs a handler of the form and brings every window in line with the model.
    // log: where an error that a message ran into is written (the window carries on).
    MsgFormWindow(MsgForm& form, const PicturePainter& painter, base::Log& log,
                  std::function<void(const std::function<void()>&)> dispatch);

    // Shows, raises or hides the window to match the form.
    void Sync();

private:
    bool Create();
    std::vector<const ImageControl*> Images() const override;
    const ImageControl* ClickableAt(int twipX, int twipY) const override;
    void Click(int twipX, int twipY) override;
    bool Own(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    std::vector<AccessibleControl> AccessibleControls() const override;
    const KeyboardFocus* Keyboard() const override { return &form_.Focus(); }
    std::string Title() const override { return "Quorvex 护眼提醒"; }

    MsgForm& form_;
    std::function<void(const std::function<void()>&)> dispatch_;
    int shownCount_ = 0;
};

}  // namespace qvx::app::win32
