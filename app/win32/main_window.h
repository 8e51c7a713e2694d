#pragma once
// The Win32 main window: paints MainForm's controls and turns messages into its handlers. It
// keeps no state of the program; after every handler it brings itself, the slider, the timer
// and the pop-up in line with the form, and ends when the form has ended.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/handler_queue.h"
#include "app/main_form.h"
#include "app/win32/app_ports.h"
#include "app/win32/form_surface.h"
#include "app/win32/msg_form_window.h"
#include "base/log.h"

namespace qvx::win32 {

class MainWindow {
public:
    // log: where an error that a handler ran into is written (the window carries on).
    MainWindow(MainForm& form, OwnerWindow& owner, const PicturePainter& painter, base::Log& log);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the (still hidden) window and its slider, and publishes the handle to the ports.
    bool Create();
    // The form's load handler, then the window as the form wants it.
    void Load();
    // Runs the message loop until the program ends; returns the exit code.
    int Run();

    HWND Handle() const { return window_; }
    // Runs one handler of the form, never letting an exception out, then syncs the windows;
    // a user action that arrives while another handler runs is run right after it.
    void Dispatch(const std::function<void()>& handler);

private:
    using WhenBusy = HandlerQueue::WhenBusy;
    void Run(const std::function<void()>& handler, WhenBusy whenBusy);
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Sync();
    void Layout();
    void PaintSlider(HDC dc);
    double Scale() const;
    std::vector<const ImageControl*> Images() const;
    ClickableAt Clickable() const;
    std::vector<const LabelControl*> Labels() const;
    std::string Snapshot() const;

    MainForm& form_;
    OwnerWindow& owner_;
    const PicturePainter& painter_;
    base::Log& log_;
    FormSurface surface_;
    Bitmap32 sliderBuffer_;
    MsgFormWindow reminder_;
    HWND window_ = nullptr;
    HWND slider_ = nullptr;
    UINT taskbarCreated_ = 0;
    bool timerRunning_ = false;
    int timerInterval_ = 0;
    HandlerQueue handlers_;
    bool dragging_ = false;
    ImagePress press_;
    HoverTracker hover_;
    bool destroyed_ = false;
    std::string painted_;
};

}  // namespace qvx::win32
