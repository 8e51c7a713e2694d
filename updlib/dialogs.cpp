#include "updlib/trovapi.h"

namespace qvx::updlib {
namespace {

constexpr char kDefaultFolderPrompt[] = "请选择文件夹:";
constexpr char kDefaultNetworkCaption[] = "网上邻居";
constexpr char kDefaultNetworkPrompt[] = "选择计算机名称.";
constexpr std::uint32_t kFolderAttribute = 16;
constexpr std::int32_t kDesktopFolder = 0;
constexpr std::uint32_t kFileSystemFoldersOnly = 1;
constexpr std::uint32_t kPropertiesMask = 0x44C;
constexpr std::uint32_t kEmptyQuietly = 7;  // no confirmation, no progress, no sound
constexpr std::uint32_t kDiskResource = 1;
constexpr std::uint32_t kPrintResource = 2;
constexpr std::size_t kFileResultChars = 255;

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::string BuildDialogFilter(std::string_view filterText) {
    if (TrimBlanks(filterText).empty()) {
        filterText = "*.*|*.*";
    }
    std::string list;
    for (const char c : filterText) {
        list += c == '|' ? '\0' : c;
    }
    // Every piece ends with a NUL and the list with a second one.
    list += '\0';
    list += '\0';
    return list;
}

void trovapi::ShellFile(const std::string& filePath, WindowHandle winHwnd, std::int32_t formStyle) {
    ports_.shell.Execute(winHwnd, filePath, formStyle);
}

void trovapi::PathSxForm(const std::string& fileName, WindowHandle hWnd) {
    ports_.shell.ShowProperties(hWnd, fileName, kPropertiesMask, 0);
}

void trovapi::ClsEmpty() {
    ports_.shell.EmptyRecycleBin(0, "", kEmptyQuietly);
}

std::string trovapi::OpenFolder(const std::string& title, WindowHandle hWnd) {
    const std::string prompt = title.empty() ? ports_.text.Utf8ToAnsi(kDefaultFolderPrompt) : title;
    std::string folder =
        ports_.shell.BrowseForFolder(hWnd, prompt, kDesktopFolder, kFileSystemFoldersOnly)
            .value_or(std::string());
    if (folder.empty()) {
        return folder;
    }
    if (folder.back() != '\\') {
        folder += '\\';
    }
    return folder;
}

std::string trovapi::FileDialog(FileDialogKind kind, WindowHandle owner,
                                const std::string& boxLabel, const std::string& startPath,
                                const std::string& filterStr, std::uint32_t flag) {
    FileDialogRequest request;
    request.owner = owner;
    if (TrimBlanks(startPath).empty()) {
        request.initialFolder = ProgramFolderAsReported();
    } else {
        request.initialFolder = startPath;
        if (request.initialFolder.back() != '\\') {
            request.initialFolder += '\\';
        }
        const std::optional<std::uint32_t> attributes =
            ports_.files.FileAttributes(request.initialFolder);
        if (!attributes || (*attributes & kFolderAttribute) == 0) {
            request.initialFolder = ProgramFolderAsReported();
        }
    }
    request.filter = BuildDialogFilter(filterStr);
    request.filterIndex = 1;
    request.fileBufferChars = 255;
    request.fileTitleChars = 256;
    request.title = boxLabel;
    request.flags = flag;

    std::string fileBuffer;
    if (!ports_.shell.FileDialog(kind, request, fileBuffer)) {
        return std::string();
    }
    return TrimLeft(std::string_view(fileBuffer).substr(0, kFileResultChars));
}

std::string trovapi::OpenFile(WindowHandle winHwnd, const std::string& boxLabel,
                              const std::string& startPath, const std::string& filterStr,
                              std::uint32_t flag) {
    return FileDialog(FileDialogKind::Open, winHwnd, boxLabel, startPath, filterStr, flag);
}

std::string trovapi::SaveFile(WindowHandle winHwnd, const std::string& boxLabel,
                              const std::string& startPath, const std::string& filterStr,
                              std::uint32_t flag) {
    return FileDialog(FileDialogKind::Save, winHwnd, boxLabel, startPath, filterStr, flag);
}

std::int32_t trovapi::GetColor() {
    const std::optional<std::uint32_t> colour = ports_.shell.PickColor();
    return colour ? static_cast<std::int32_t>(*colour & 0xFFFFFFu) : -1;
}

std::int32_t trovapi::ConnectDisk(WindowHandle hWnd) {
    return ports_.shell.ConnectionDialog(hWnd, kDiskResource);
}

std::int32_t trovapi::ConnectPrint(WindowHandle hWnd) {
    return ports_.shell.ConnectionDialog(hWnd, kPrintResource);
}

std::int32_t trovapi::DisconnectDisk(WindowHandle hWnd) {
    return ports_.shell.DisconnectDialog(hWnd, kDiskResource);
}

std::int32_t trovapi::DisconnectPrint(WindowHandle hWnd) {
    return ports_.shell.DisconnectDialog(hWnd, kPrintResource);
}

std::string trovapi::ShowNetWork(const std::optional<std::string>& frmCap,
                                 const std::optional<std::string>& labction) {
    const std::string caption = frmCap ? *frmCap : ports_.text.Utf8ToAnsi(kDefaultNetworkCaption);
    const std::string prompt = labction ? *labction : ports_.text.Utf8ToAnsi(kDefaultNetworkPrompt);
    return TrimLeft(ports_.shell.BrowseForComputer(0, caption, prompt).value_or(std::string()));
}

}  // namespace qvx::updlib
