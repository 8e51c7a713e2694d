#pragma once

#include <cstddef>
#include <string>

#include "updlib/updlib_types.h"

namespace qvx::updater {

// How a started program's window is shown.
enum class ShowState {
    MinimizedFocus,  // minimised, with the focus (SW_SHOWMINIMIZED)
    NormalFocus,     // normal window, with the focus (SW_SHOWNORMAL)
};

// Starts another program by command line (text in the system code page).
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // False when the program could not be started.
    virtual bool Launch(const std::string& commandLine, ShowState show) = 0;
};

// The file operations of the update flow: the work folder and the installation. Paths are in
// the system code page, with backslashes. Every operation reports success and never throws.
class UpdateFiles {
public:
    virtual ~UpdateFiles() = default;
    // A directory search for the name finds something (a file or a folder).
    virtual bool Found(const std::string& path) = 0;
    // An ordinary file (not a folder) of that name exists.
    virtual bool FileExists(const std::string& path) = 0;
    // Creates the folder and every missing folder above it; true when it exists afterwards.
    virtual bool CreateFolders(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // CopyFile with fail-if-exists false: an existing target is overwritten. Returns once the
    // copy is on disk.
    virtual bool CopyOver(const std::string& from, const std::string& to) = 0;
    // Renames (moves) a file, replacing an existing target; works on a running program file.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    // Deletes every file (sub-folders included) inside the folder, keeping the folder;
    // failures are skipped. A link or junction inside is removed itself, never followed.
    virtual void ClearFolder(const std::string& folder) = 0;
    // The whole file into `bytes`; false when it is missing, unreadable or larger than maxBytes.
    virtual bool ReadFile(const std::string& path, std::size_t maxBytes, std::string& bytes) = 0;
    // Replaces the file with `bytes` and returns only once they are on disk.
    virtual bool WriteFileDurably(const std::string& path, const std::string& bytes) = 0;
};

// The window that shows MainF.
class MainFHost {
public:
    virtual ~MainFHost() = default;
    virtual updlib::WindowHandle Handle() = 0;
    // Shows the window and handles the messages that are waiting, once.
    virtual void ShowAndDoEvents() = 0;
    // The view model changed: bring the window up to date.
    virtual void ModelChanged() = 0;
    // Ends the updater at once.
    virtual void EndProgram() = 0;
};

}  // namespace qvx::updater
