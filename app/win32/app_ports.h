#pragma once
// Win32 adapters of the main window's ports. Thin: each translates calls and keeps no decisions
// of its own.

#include <windows.h>
#include <shellapi.h>
// shellapi.h maps ExtractIcon to its A/W form; the port's method of that name must stay as is.
#undef ExtractIcon

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/main_form_ports.h"

namespace qvx::app::win32 {

class Win32Clock : public Clock {
public:
    LocalTime Now() override;
    std::int64_t NowSeconds() override;
};

class Win32IdleClock : public IdleClock {
public:
    std::optional<std::uint32_t> LastInputTick() override;
    std::uint32_t TickCount() override;
};

// The WMI process list through the "winmgmts:" moniker. Ending a process goes through
// OpenProcess/TerminateProcess by its id: WMI's own Terminate method is not available on every
// system (Wine has none).
class Win32ProcessTable : public ProcessTable {
public:
    std::optional<std::vector<std::uint32_t>> ProcessesNamed(const std::string& image) override;
    bool Terminate(std::uint32_t processId) override;
    std::uint32_t CurrentProcessId() override;
};

// Shell_NotifyIconA with the record in its original, smallest form (NOTIFYICONDATAA_V1_SIZE);
// the balloon goes through the wide form that has one (NOTIFYICONDATAW_V2_SIZE, NIF_INFO).
class Win32TrayIcon : public TrayIcon {
public:
    bool Add(const TrayRecord& record) override;
    bool Remove(const TrayRecord& record) override;
    bool ShowBalloon(const TrayRecord& record, const std::string& title,
                     const std::string& text) override;
    // The record as it is handed to the shell (for checks).
    static NOTIFYICONDATAA Fill(const TrayRecord& record);
};

class Win32IconFiles : public IconFiles {
public:
    bool Exists(const std::string& path) override;
    std::uintptr_t ExtractIcon(const std::string& path, int index) override;
    std::uintptr_t FallbackIcon() override;

    Win32IconFiles() = default;
    ~Win32IconFiles() override;
    Win32IconFiles(const Win32IconFiles&) = delete;
    Win32IconFiles& operator=(const Win32IconFiles&) = delete;

private:
    std::vector<HICON> extracted_;  // destroyed with the adapter, after the tray entry is gone
};

// The owner window of shell calls and message boxes; set once the window exists.
class OwnerWindow {
public:
    HWND Get() const { return window_; }
    void Set(HWND window) { window_ = window; }

private:
    HWND window_ = nullptr;
};

class Win32Shell : public Shell {
public:
    explicit Win32Shell(const OwnerWindow& owner) : owner_(owner) {}
    void Open(const std::string& target) override;

private:
    const OwnerWindow& owner_;
};

class Win32MessageBoxes : public MessageBoxes {
public:
    explicit Win32MessageBoxes(const OwnerWindow& owner) : owner_(owner) {}
    MessageBoxResult Show(const std::string& text, MessageBoxKind kind) override;

private:
    const OwnerWindow& owner_;
};

class Win32ProgramHost : public ProgramHost {
public:
    explicit Win32ProgramHost(const OwnerWindow& owner) : owner_(owner) {}
    std::string ProgramFolder() override;
    std::string ProgramBaseName() override;
    std::uintptr_t MainWindow() override;
    void EndProgram() override;
    void ShowMainWindowNow(bool shown) override;
    bool EndRequested() const { return endRequested_; }

private:
    const OwnerWindow& owner_;
    bool endRequested_ = false;
};

// Full path of the running program, UTF-16.
std::wstring ModulePath();

}  // namespace qvx::app::win32
