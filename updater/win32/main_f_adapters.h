#pragma once

#include <windows.h>

#include <string>

#include "updater/main_f_ports.h"
#include "updlib/message_box_port.h"

namespace qvx::updater::win32 {

// Starts a program by command line (system code page) with CreateProcessW.
class Win32ProcessLauncher : public ProcessLauncher {
public:
    bool Launch(const std::string& commandLine, ShowState show) override;
};

// The update flow's file operations on kernel32, ANSI paths as the settings file gives them.
class Win32UpdateFiles : public UpdateFiles {
public:
    bool Found(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    bool CreateFolders(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool CopyOver(const std::string& from, const std::string& to) override;
    bool Rename(const std::string& from, const std::string& to) override;
    void ClearFolder(const std::string& folder) override;
    bool ReadFile(const std::string& path, std::size_t maxBytes, std::string& bytes) override;
    bool WriteFileDurably(const std::string& path, const std::string& bytes) override;
};

// Modal message boxes owned by the updater window (so they stay above it, although it is
// topmost), titled with the program's name.
class Win32OwnedMessageBox : public updlib::MessageBoxPort {
public:
    explicit Win32OwnedMessageBox(std::wstring title) : title_(std::move(title)) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    void Show(const std::string& text, updlib::MessageIcon icon) override;

private:
    std::wstring title_;
    HWND owner_ = nullptr;
};

// UTF-8 and system code page texts to UTF-16 for the W functions.
std::wstring WideFromUtf8(const std::string& text);
std::wstring WideFromAnsi(const std::string& text);

}  // namespace qvx::updater::win32
