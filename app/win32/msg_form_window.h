#pragma once
// The window of the rest reminder pop-up: created the first time the form is shown, topmost and
// colour-keyed like the main window, modeless, hidden (never destroyed) when the form hides.

#include <windows.h>

#include <functional>

#include "app/main_form.h"
#include "app/win32/form_surface.h"
#include "base/log.h"

namespace qvx::win32 {

class MsgFormWindow {
public:
    // dispatch runs a handler of the form and brings every window in line with the model.
    // log: where an error that a message ran into is written (the window carries on).
    MsgFormWindow(MsgForm& form, const PicturePainter& painter, base::Log& log,
                  std::function<void(const std::function<void()>&)> dispatch);
    ~MsgFormWindow();
    MsgFormWindow(const MsgFormWindow&) = delete;
    MsgFormWindow& operator=(const MsgFormWindow&) = delete;

    // Shows, raises or hides the window to match the form.
    void Sync();
    HWND Handle() const { return window_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool Create();
    std::vector<const ImageControl*> Images() const;
    ClickableAt Clickable() const;
    double Scale() const;

    MsgForm& form_;
    base::Log& log_;
    FormSurface surface_;
    std::function<void(const std::function<void()>&)> dispatch_;
    HWND window_ = nullptr;
    int shownCount_ = 0;
    ImagePress press_;
    HoverTracker hover_;
};

}  // namespace qvx::win32
