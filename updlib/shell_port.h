#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "updlib/updlib_types.h"

namespace qvx::updlib {

enum class FileDialogKind { Open, Save };

// Everything an open or save dialog is asked with (the OPENFILENAMEA record). `filter` holds the
// description/pattern pairs, each piece ended by a NUL, the list ended by a second NUL.
struct FileDialogRequest {
    WindowHandle owner = 0;
    std::string filter;
    std::uint32_t filterIndex = 1;
    std::string defaultExtension;
    std::uint32_t fileBufferChars = 255;
    std::uint32_t fileTitleChars = 256;
    std::string initialFolder;
    std::string title;
    std::uint32_t flags = 0;
};

// Shell, common dialogs and network connection dialogs. Texts are ANSI bytes.
class Shell {
public:
    virtual ~Shell() = default;
    // ShellExecuteA(owner, NULL, file, NULL, NULL, show).
    virtual void Execute(WindowHandle owner, const std::string& file, std::int32_t show) = 0;
    // ShellExecuteExA with the verb "properties".
    virtual void ShowProperties(WindowHandle owner, const std::string& file, std::uint32_t mask,
                                std::int32_t show) = 0;
    // SHEmptyRecycleBinA.
    virtual void EmptyRecycleBin(WindowHandle owner, const std::string& root,
                                 std::uint32_t flags) = 0;
    // SHBrowseForFolderA rooted at special folder `rootCsidl`; the file-system path of the choice,
    // empty when cancelled or when the item has none.
    virtual std::optional<std::string> BrowseForFolder(WindowHandle owner,
                                                       const std::string& prompt,
                                                       std::int32_t rootCsidl,
                                                       std::uint32_t flags) = 0;
    // SHBrowseForFolderA rooted at the network, computers only, its window captioned `caption`;
    // the chosen computer's name, empty when cancelled.
    virtual std::optional<std::string> BrowseForComputer(WindowHandle owner,
                                                         const std::string& caption,
                                                         const std::string& prompt) = 0;
    // GetOpenFileNameA / GetSaveFileNameA. `fileBuffer` comes back as the whole buffer the
    // dialog filled (request.fileBufferChars characters); false when cancelled.
    virtual bool FileDialog(FileDialogKind kind, const FileDialogRequest& request,
                            std::string& fileBuffer) = 0;
    // ChooseColorA with a 16-entry custom table; the RGB value, empty when cancelled.
    virtual std::optional<std::uint32_t> PickColor() = 0;
    // WNetConnectionDialog / WNetDisconnectDialog with the resource type (1 disk, 2 print).
    virtual std::int32_t ConnectionDialog(WindowHandle owner, std::uint32_t type) = 0;
    virtual std::int32_t DisconnectDialog(WindowHandle owner, std::uint32_t type) = 0;
};

}  // namespace qvx::updlib
