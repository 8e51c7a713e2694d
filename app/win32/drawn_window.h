#pragma once
// The frame of the program's drawn windows, the main window and the rest reminder: a colour-keyed
// pop-up whose client area is the form's picture, painted from the form's view model. The frame
// holds what both share: the window procedure (the object behind the handle; nothing thrown
// crosses the message loop, it is logged), painting through FormSurface, the lit-up image under
// the pointer, press-and-release clicks, the pointer's shape, the DPI, and asking for a repaint
// of only what changed. A window derives from it and adds only its own: its controls, its
// click handler, its extra messages and child windows.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/form_keyboard.h"
#include "app/form_redraw.h"
#include "app/win32/form_accessible.h"
#include "app/win32/form_surface.h"
#include "base/log.h"
#include "base/win32/scoped.h"

namespace qvx::app::win32 {

class DrawnWindow : private AccessibleSource {
public:
    DrawnWindow(const DrawnWindow&) = delete;
    DrawnWindow& operator=(const DrawnWindow&) = delete;

    HWND Handle() const { return window_; }

protected:
    // What a drawn window is made of.
    struct Frame {
        const wchar_t* className;
        DWORD style;
        DWORD exStyle;
        int widthTwips;  // client area
        int heightTwips;
        // The class background is the colour key (else none: the frame paints every pixel).
        bool keyBackground;
        // The small icon of the program too (for the taskbar and Alt+Tab).
        bool smallIcon;
        const char* logName;  // "main window": where an error of a message is said to be
    };

    DrawnWindow(Frame frame, const PicturePainter& painter, base::Log& log);
    virtual ~DrawnWindow();

    // Registers the class (once per run) and creates the hidden window, colour-keyed, centred
    // on the work area of OpeningMonitor() at that display's scale, or the largest that fits.
    bool CreateFrame();
    // The window sized to its form at the scale of the display it is on (or the largest that
    // fits its work area), kept where it is as far as it stays inside; its children laid out,
    // everything painted again.
    void Relayout();
    // The window sized for that monitor and centred in its work area, as when it opens there.
    void PlaceOn(HMONITOR monitor);
    // Where the window opens: the monitor under the pointer.
    virtual HMONITOR OpeningMonitor() const;
    // Asks for a paint of what changed since the last call: the whole window when an image
    // changed (or at the first call), else the changed labels' areas. True when it was the
    // whole window. A hidden window asks for nothing: showing it paints it whole.
    bool RedrawChanged();
    // Looks where the pointer is; the window is painted again when the lit image changed.
    void UpdateHover();
    // The form has ended: hidden and destroyed; no message reaches the window any more.
    void DestroyFrame();
    // The window destroyed unless it is already; its messages no longer reach this object.
    void DiscardFrame();

    bool Destroyed() const { return destroyed_; }
    double Scale() const;
    // The form's image layer at the window's size and scale, drawn when it is not yet.
    const Bitmap32& Layer();

    // The window's controls, in paint order.
    virtual std::vector<const ImageControl*> Images() const = 0;
    virtual std::vector<const LabelControl*> Labels() const { return {}; }
    // The form's answer to what a press at this point (twips) would click.
    virtual const ImageControl* ClickableAt(int twipX, int twipY) const = 0;
    // A press and a release on a clickable image, at the release point (twips).
    virtual void Click(int twipX, int twipY) = 0;
    // The window's own messages, seen before the frame's: true when handled, with the result.
    virtual bool Own(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Child windows placed for the scale, after the window took its size.
    virtual void LayoutChildren(double scale);

    // The keyboard and screen readers (drawn_window_keyboard.cpp). The form's controls in
    // reading order and its focus (none: the window takes no keys); the window's own name.
    virtual std::vector<AccessibleControl> AccessibleControls() const { return {}; }
    virtual const KeyboardFocus* Keyboard() const { return nullptr; }
    virtual std::string Title() const { return "Quorvex"; }
    // Whether the keyboard focus is in this window (itself, or a child that takes keys).
    virtual bool HoldsFocus() const;
    // The ring is drawn by the window's own child for this control (the slider).
    virtual bool RingOfChild(const AccessibleControl&) const { return false; }
    // The control with the keyboard focus, while the window holds it; none otherwise.
    std::optional<AccessibleControl> FocusedControl() const;

private:
    // drawn_window_keyboard.cpp
    // Screen readers hear of what changed since the last call (the focus, a switch, a preset,
    // the slider's value; not the counters), and the ring is painted again when it moved.
    void AnnounceChanges();
    std::optional<FocusRing> RingNow() const;
    LRESULT AnswerGetObject(WPARAM wParam);
    void RunDefaultAction(int id);
    bool KeyboardMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void ForgetAccessible();
    HWND AccessibleWindow() const override { return window_; }
    std::string AccessibleTitle() const override { return Title(); }
    std::vector<AccessibleControl> AccessibleChildren() const override {
        return AccessibleControls();
    }
    std::optional<int> AccessibleFocus() const override;
    double AccessibleScale() const override { return Scale(); }
    void AccessibleDefaultAction(int id) override;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    win32::ClickableAt Clickable() const;

    // The scale for a monitor: its display's, or less so that the window fits its work area.
    double FittedScale(double displayScale, const RECT& work) const;
    // The outer size of the window at a scale.
    SIZE OuterSize(double scale) const;
    void ApplyPlacement(const RECT& outer);

    Frame frame_;
    base::Log& log_;
    double scale_ = 1.0;
    FormSurface surface_;
    HWND window_ = nullptr;
    bool destroyed_ = false;
    ImagePress press_;
    HoverTracker hover_;
    // The look the window last asked to be painted; none before the first request.
    std::optional<FormLook> painted_;
    // What screen readers last heard of, and where the ring was last painted (-1: nowhere).
    std::vector<AccessibleControl> announced_;
    std::optional<int> announcedFocus_;
    int paintedRing_ = -1;
    base::win32::ComPtr<FormAccessible> accessible_;
};

}  // namespace qvx::app::win32
