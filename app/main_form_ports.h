#pragma once
// What the main window's logic needs from Windows, each as small as its callers need. Win32
// adapters live in app/win32/, fakes in tests/fakes/.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qvx::app {

struct LocalTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
    // Whole seconds on a monotonic-enough wall clock; only differences are used.
    virtual std::int64_t NowSeconds() = 0;
};

// GetLastInputInfo / GetTickCount: both on the 32-bit millisecond tick clock, which wraps.
class IdleClock {
public:
    virtual ~IdleClock() = default;
    virtual std::optional<std::uint32_t> LastInputTick() = 0;  // nullopt when the call fails
    virtual std::uint32_t TickCount() = 0;
};

// The WMI process query of the single-instance rule.
class ProcessTable {
public:
    virtual ~ProcessTable() = default;
    // Process ids of every running process with this image name (case-insensitive), in the
    // order the query returns them; nullopt when the query itself fails.
    virtual std::optional<std::vector<std::uint32_t>> ProcessesNamed(const std::string& image) = 0;
    virtual bool Terminate(std::uint32_t processId) = 0;
    virtual std::uint32_t CurrentProcessId() = 0;
};

// The notification area's flags and the mouse messages its icon reports, by their Windows values
// (the adapter checks them against the SDK's).
namespace tray {
inline constexpr std::uint32_t kFlagMessage = 0x1;  // NIF_MESSAGE
inline constexpr std::uint32_t kFlagIcon = 0x2;     // NIF_ICON
inline constexpr std::uint32_t kFlagTip = 0x4;      // NIF_TIP
inline constexpr std::uint32_t kMouseMove = 0x200;  // WM_MOUSEMOVE
inline constexpr std::uint32_t kLeftButtonUp = 0x202;
inline constexpr std::uint32_t kRightButtonUp = 0x205;
}  // namespace tray

// NOTIFYICONDATAA in its 88-byte form, as the logic fills it. The identifier is the record's
// 32-bit uID: the shell hands exactly that back in wParam, zero-extended.
struct TrayRecord {
    std::uintptr_t window = 0;
    std::uint32_t id = 0;
    std::uint32_t flags = tray::kFlagMessage | tray::kFlagIcon | tray::kFlagTip;
    std::uint32_t callbackMessage = tray::kMouseMove;
    std::uintptr_t icon = 0;
    std::string tip;  // UTF-8; the adapter converts to the ANSI code page and pads to 64 bytes
};

class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    virtual bool Add(const TrayRecord& record) = 0;
    virtual bool Remove(const TrayRecord& record) = 0;
    // A balloon (notification) from the icon of this record, title and text in UTF-8; it goes
    // by itself, nothing waits for the user.
    virtual bool ShowBalloon(const TrayRecord& record, const std::string& title,
                             const std::string& text) = 0;
};

class IconFiles {
public:
    virtual ~IconFiles() = default;
    // A directory search that includes hidden files.
    virtual bool Exists(const std::string& path) = 0;
    virtual std::uintptr_t ExtractIcon(const std::string& path, int index) = 0;  // 0: no icon
    // The icon embedded in the program, used for the tray when "quorvex.ico" gives none; 0 when
    // there is none either.
    virtual std::uintptr_t FallbackIcon() { return 0; }
};

class Shell {
public:
    virtual ~Shell() = default;
    // ShellExecute with no verb, owned by the main window, show command 1.
    virtual void Open(const std::string& target) = 0;
};

enum class MessageBoxKind { OkOnly, OkCancel, Information, Warning, Error };
enum class MessageBoxResult { Ok, Cancel };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MessageBoxResult Show(const std::string& text, MessageBoxKind kind) = 0;
};

// Where the running program is and how it ends.
class ProgramHost {
public:
    virtual ~ProgramHost() = default;
    // As the platform reports it: no trailing "\" except a root.
    virtual std::string ProgramFolder() = 0;
    virtual std::string ProgramBaseName() = 0;  // file name without extension, e.g. "quorvex"
    virtual std::uintptr_t MainWindow() = 0;
    // Shows or hides the real window at once: a modal box opened right after must not have the
    // main window behind it, and the window otherwise follows the model only after a handler.
    virtual void ShowMainWindowNow(bool shown) = 0;
    virtual void EndProgram() = 0;  // leaves the message loop; nothing else
};

}  // namespace qvx::app
