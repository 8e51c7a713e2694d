#pragma once
// The Win32 main window: paints MainForm's controls and turns messages into its handlers. It
// keeps no state of the program; after every handler it brings itself, the slider, the timer
// and the pop-up in line with the form, and ends when the form has ended. The drawn frame does
// the painting, pointer and DPI; this window adds the slider, the tray, the session timer and
// the program's ends (close, end of session).

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/handler_queue.h"
#include "app/main_form.h"
#include "app/win32/app_ports.h"
#include "app/win32/desktop_adapters.h"
#include "app/win32/drawn_window.h"
#include "app/win32/msg_form_window.h"
#include "app/win32/settings_window.h"
#include "base/log.h"

namespace qvx::app::win32 {

class MainWindow : public DrawnWindow {
public:
    // The session timer's id (WM_TIMER wParam).
    static constexpr UINT_PTR kSendInfoTimer = 1;

    // log: where an error that a handler ran into is written (the window carries on).
    MainWindow(MainForm& form, OwnerWindow& owner, const PicturePainter& painter, base::Log& log);
    ~MainWindow() override;

    // Creates the (still hidden) window and its slider, and publishes the handle to the ports.
    bool Create();
    // The form's load handler, then the window as the form wants it.
    void Load();
    // Runs the message loop until the program ends; returns the exit code.
    int Run();

    // Runs one handler of the form, never letting an exception out, then syncs the windows;
    // a user action that arrives while another handler runs is run right after it.
    void Dispatch(const std::function<void()>& handler);

private:
    using WhenBusy = HandlerQueue::WhenBusy;
    void Run(const std::function<void()>& handler, WhenBusy whenBusy);
    void Sync();
    void PaintSlider(HDC dc);
    std::vector<const ImageControl*> Images() const override;
    std::vector<const LabelControl*> Labels() const override;
    const ImageControl* ClickableAt(int twipX, int twipY) const override;
    void Click(int twipX, int twipY) override;
    bool Own(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void LayoutChildren(double scale) override;
    std::vector<AccessibleControl> AccessibleControls() const override {
        return form_.AccessibleControls();
    }
    const KeyboardFocus* Keyboard() const override { return &form_.Focus(); }
    bool HoldsFocus() const override;
    bool RingOfChild(const AccessibleControl& control) const override {
        return control.role == AccessibleRole::Slider;
    }
    // The keyboard focus where the form has it: the slider's own window, or this one for the
    // drawn controls; only while the focus is in this window already.
    void FollowFocus();
    // The slider's keys: Tab, Shift+Tab and Esc are the form's, the rest the trackbar's own.
    static LRESULT CALLBACK SliderProc(HWND slider, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);

    MainForm& form_;
    OwnerWindow& owner_;
    const PicturePainter& painter_;
    base::Log& log_;
    Bitmap32 sliderBuffer_;
    MsgFormWindow reminder_;
    SettingsWindow settings_;
    std::optional<DisplayWakeNotifications> wake_;  // registered once the window exists
    HWND slider_ = nullptr;
    UINT taskbarCreated_ = 0;
    bool timerRunning_ = false;
    int timerInterval_ = 0;
    HandlerQueue handlers_;
    bool dragging_ = false;
    // The slider position the window last asked to be painted (none before the first paint).
    std::optional<int> paintedSlider_;
};

}  // namespace qvx::app::win32
