#pragma once
// What stepping aside, pausing and the hotkeys need from Windows: the foreground window and the
// monitors, the shell's notification state, global hotkeys, the file dialog and the wall clock
// with its time zone. Win32 adapters live in app/win32/desktop_adapters.h, fakes in
// tests/fakes/desktop_fakes.h.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/main_form_ports.h"

namespace qvx::app {

// A rectangle in screen pixels, right and bottom exclusive (the platform's RECT).
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const ScreenRect&) const = default;
    bool Empty() const { return right <= left || bottom <= top; }
};

// One monitor of the desktop: its device name as the display list names it ("\\.\DISPLAY1")
// and its rectangle.
struct MonitorArea {
    std::string device;
    ScreenRect rect;
    bool operator==(const MonitorArea&) const = default;
};

// The window in front, as far as stepping aside needs it.
struct ForegroundWindow {
    ScreenRect window;   // the whole window, in screen pixels
    ScreenRect client;   // its client area, in screen pixels
    std::string windowClass;  // UTF-8
    // The file name of the program that owns it ("photoshop.exe"), UTF-8; for a Store app the
    // program behind the frame host. Empty when it cannot be told.
    std::string program;
    // The device name of the monitor the platform says it is on (the one it overlaps most).
    std::string monitor;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // The foreground window, or nullopt when there is none (a locked or switching desktop).
    virtual std::optional<ForegroundWindow> Foreground() = 0;
    // Every monitor of the desktop, in the platform's order.
    virtual std::vector<MonitorArea> Monitors() = 0;
    // The shell says the user accepts notifications now (not a full-screen program, a
    // presentation, or quiet time).
    virtual bool AcceptsNotifications() = 0;
};

// A key combination: modifier flags as RegisterHotKey takes them and a virtual-key code.
struct Hotkey {
    std::uint32_t modifiers = 0;  // kModAlt | kModControl | kModShift | kModWin
    std::uint32_t key = 0;        // virtual-key code; 0 = no hotkey
    bool operator==(const Hotkey&) const = default;
    bool None() const { return key == 0; }
};

inline constexpr std::uint32_t kModAlt = 0x1;      // MOD_ALT
inline constexpr std::uint32_t kModControl = 0x2;  // MOD_CONTROL
inline constexpr std::uint32_t kModShift = 0x4;    // MOD_SHIFT
inline constexpr std::uint32_t kModWin = 0x8;      // MOD_WIN

enum class HotkeyRegistration { Registered, HeldByAnother, Failed };

class Hotkeys {
public:
    virtual ~Hotkeys() = default;
    // Registers the combination under this id for the main window (without key repeat);
    // HeldByAnother when another program holds it.
    virtual HotkeyRegistration Register(int id, const Hotkey& hotkey) = 0;
    virtual void Unregister(int id) = 0;
};

class ProgramPicker {
public:
    virtual ~ProgramPicker() = default;
    // The system's file dialog for a program (.exe); the chosen path (UTF-8), or nullopt when
    // the user cancelled.
    virtual std::optional<std::string> ChooseProgram() = 0;
};

// Wall-clock time in UTC and the local time zone's view of it. Unlike Clock::NowSeconds, this
// clock jumps when the user sets the time.
class WallClock {
public:
    virtual ~WallClock() = default;
    // Seconds since 1970-01-01 00:00:00 UTC.
    virtual std::int64_t UtcNow() = 0;
    // The local time (time zone and daylight saving of that moment) of a UTC time.
    virtual LocalTime ToLocal(std::int64_t utc) = 0;
    // The UTC time of a local time. A local time skipped by a daylight-saving change gives the
    // moment the clock jumped; one that occurs twice gives the first.
    virtual std::int64_t FromLocal(const LocalTime& local) = 0;
};

}  // namespace qvx::app
