#pragma once
// Win32 adapters of the desktop ports (app/desktop_ports.h): the foreground window and the
// monitors, global hotkeys, the program file dialog and the wall clock with its time zone; and
// the session and power notifications after which the tint must be loaded again at once.

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/desktop_ports.h"
#include "app/win32/app_ports.h"

namespace qvx::app::win32 {

// Monitor device names in the form the display list gives them ("\\.\DISPLAY1"), so that the
// tint opens exactly the displays a window covers.
class Win32Desktop : public Desktop {
public:
    std::optional<ForegroundWindow> Foreground() override;
    std::vector<MonitorArea> Monitors() override;
    // A shell that cannot be asked counts as accepting: nothing is held back by a broken shell.
    bool AcceptsNotifications() override;
};

// Hotkeys of the owner window (its WM_HOTKEY carries the id). What it registered it unregisters
// when it goes.
class Win32Hotkeys : public Hotkeys {
public:
    explicit Win32Hotkeys(const OwnerWindow& owner) : owner_(owner) {}
    ~Win32Hotkeys() override;
    Win32Hotkeys(const Win32Hotkeys&) = delete;
    Win32Hotkeys& operator=(const Win32Hotkeys&) = delete;

    // An id registered before is let go first: the system would otherwise keep both.
    HotkeyRegistration Register(int id, const Hotkey& hotkey) override;
    void Unregister(int id) override;

private:
    struct Held {
        HWND window;
        int id;
    };
    const OwnerWindow& owner_;
    std::vector<Held> held_;
};

// GetOpenFileNameW owned by the owner window, for a program (.exe).
class Win32ProgramPicker : public ProgramPicker {
public:
    explicit Win32ProgramPicker(const OwnerWindow& owner) : owner_(owner) {}
    std::optional<std::string> ChooseProgram() override;

private:
    const OwnerWindow& owner_;
};

// The system clock and the time zone's current rules, read again on every call so that a change
// of zone or of clock shows at once.
class Win32WallClock : public WallClock {
public:
    std::int64_t UtcNow() override;
    LocalTime ToLocal(std::int64_t utc) override;
    std::int64_t FromLocal(const LocalTime& local) override;
};

// Asks the system to tell a window about session changes (unlock, console connect) and display
// power changes; lets go in its destructor. A registration the system refuses is not fatal: the
// one-second refresh still loads the tint again, only later.
class DisplayWakeNotifications {
public:
    explicit DisplayWakeNotifications(HWND window);
    ~DisplayWakeNotifications();
    DisplayWakeNotifications(const DisplayWakeNotifications&) = delete;
    DisplayWakeNotifications& operator=(const DisplayWakeNotifications&) = delete;

    bool SessionRegistered() const { return session_; }
    // How many of the display power settings the system will report.
    int PowerSettingsRegistered() const;

private:
    HWND window_;
    bool session_ = false;
    std::array<HPOWERNOTIFY, 3> power_{};
};

// Whether a window message says the displays just came back (resume from sleep, an unlocked or
// reconnected session, a display powering on or dimmed) and the tint must be loaded again now.
bool IsDisplayWakeMessage(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qvx::app::win32
