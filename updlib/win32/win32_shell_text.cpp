// Shell, common dialog, network dialog and code page adapters.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winnetwk.h>

#include <vector>

#include "base/win32/scoped.h"
#include "base/win32/text.h"
#include "updlib/win32/win32_adapters.h"

namespace qvx::updlib::win32 {
namespace {

HWND AsHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

const char* OrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

class ItemList {
public:
    explicit ItemList(LPITEMIDLIST items) : items_(items) {}
    ~ItemList() { CoTaskMemFree(items_); }
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    LPITEMIDLIST get() const { return items_; }

private:
    LPITEMIDLIST items_;
};

struct CaptionRequest {
    const std::string* caption;
};

int CALLBACK SetCaptionOnStart(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        const auto* request = reinterpret_cast<const CaptionRequest*>(data);
        SetWindowTextA(dialog, request->caption->c_str());
    }
    return 0;
}

class Win32Shell : public Shell {
public:
    void Execute(WindowHandle owner, const std::string& file, std::int32_t show) override {
        ShellExecuteA(AsHwnd(owner), nullptr, file.c_str(), nullptr, nullptr, show);
    }
    void ShowProperties(WindowHandle owner, const std::string& file, std::uint32_t mask,
                        std::int32_t show) override {
        SHELLEXECUTEINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = mask;
        info.hwnd = AsHwnd(owner);
        info.lpVerb = "properties";
        info.lpFile = file.c_str();
        info.lpParameters = "";
        info.lpDirectory = "";
        info.nShow = show;
        ShellExecuteExA(&info);
        const qvx::base::win32::UniqueHandle process(info.hProcess);
    }
    void EmptyRecycleBin(WindowHandle owner, const std::string& root,
                         std::uint32_t flags) override {
        SHEmptyRecycleBinA(AsHwnd(owner), root.c_str(), flags);
    }
    std::optional<std::string> BrowseForFolder(WindowHandle owner, const std::string& prompt,
                                               std::int32_t rootCsidl,
                                               std::uint32_t flags) override {
        // The shell's browse dialog needs COM on the calling thread, for this dialog only.
        const qvx::base::win32::ComApartment com;
        LPITEMIDLIST root = nullptr;
        SHGetSpecialFolderLocation(AsHwnd(owner), rootCsidl, &root);
        const ItemList rootList(root);
        char display[MAX_PATH + 1] = {};
        BROWSEINFOA info{};
        info.hwndOwner = AsHwnd(owner);
        info.pidlRoot = rootList.get();
        info.pszDisplayName = display;
        info.lpszTitle = prompt.c_str();
        info.ulFlags = flags;
        const ItemList chosen(SHBrowseForFolderA(&info));
        if (chosen.get() == nullptr) {
            return std::nullopt;
        }
        char path[MAX_PATH + 1] = {};
        if (!SHGetPathFromIDListA(chosen.get(), path)) {
            return std::nullopt;
        }
        return std::string(path);
    }
    std::optional<std::string> BrowseForComputer(WindowHandle owner, const std::string& caption,
                                                 const std::string& prompt) override {
        // The shell's browse dialog needs COM on the calling thread, for this dialog only.
        const qvx::base::win32::ComApartment com;
        LPITEMIDLIST root = nullptr;
        if (SHGetSpecialFolderLocation(AsHwnd(owner), CSIDL_NETWORK, &root) != S_OK) {
            return std::nullopt;
        }
        const ItemList rootList(root);
        CaptionRequest request{&caption};
        char display[MAX_PATH + 1] = {};
        BROWSEINFOA info{};
        info.hwndOwner = AsHwnd(owner);
        info.pidlRoot = rootList.get();
        info.pszDisplayName = display;
        info.lpszTitle = prompt.c_str();
        info.ulFlags = BIF_BROWSEFORCOMPUTER;
        info.lpfn = SetCaptionOnStart;
        info.lParam = reinterpret_cast<LPARAM>(&request);
        const ItemList chosen(SHBrowseForFolderA(&info));
        if (chosen.get() == nullptr) {
            return std::nullopt;
        }
        return std::string(display);
    }
    bool FileDialog(FileDialogKind kind, const FileDialogRequest& request,
                    std::string& fileBuffer) override {
        std::vector<char> file(request.fileBufferChars + 1, '\0');
        std::vector<char> title(request.fileTitleChars + 1, '\0');
        OPENFILENAMEA dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = AsHwnd(request.owner);
        dialog.hInstance = GetModuleHandleW(nullptr);
        dialog.lpstrFilter = request.filter.c_str();
        dialog.nFilterIndex = request.filterIndex;
        dialog.lpstrDefExt = OrNull(request.defaultExtension);
        dialog.lpstrFile = file.data();
        dialog.nMaxFile = request.fileBufferChars;
        dialog.lpstrFileTitle = title.data();
        dialog.nMaxFileTitle = request.fileTitleChars;
        dialog.lpstrInitialDir = OrNull(request.initialFolder);
        dialog.lpstrTitle = OrNull(request.title);
        dialog.Flags = request.flags;
        const BOOL chosen =
            kind == FileDialogKind::Open ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
        if (!chosen) {
            return false;
        }
        fileBuffer.assign(file.data(), request.fileBufferChars);
        return true;
    }
    std::optional<std::uint32_t> PickColor() override {
        COLORREF custom[16] = {};
        CHOOSECOLORA dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.lpCustColors = custom;
        if (!ChooseColorA(&dialog)) {
            return std::nullopt;
        }
        return dialog.rgbResult;
    }
    std::int32_t ConnectionDialog(WindowHandle owner, std::uint32_t type) override {
        return static_cast<std::int32_t>(WNetConnectionDialog(AsHwnd(owner), type));
    }
    std::int32_t DisconnectDialog(WindowHandle owner, std::uint32_t type) override {
        return static_cast<std::int32_t>(WNetDisconnectDialog(AsHwnd(owner), type));
    }
};

class Win32TextCodec : public TextCodec {
public:
    std::u16string AnsiToWide(const std::string& ansi) override {
        return base::win32::AsU16(base::win32::AnsiToWide(ansi));
    }
    std::string WideToAnsi(const std::u16string& wide) override {
        return base::win32::WideToAnsi(base::win32::AsWide(wide));
    }
    std::string Utf8ToAnsi(const std::string& utf8) override {
        return base::win32::Utf8ToAnsi(utf8);
    }
};

}  // namespace

std::unique_ptr<Shell> MakeShell() {
    return std::make_unique<Win32Shell>();
}

std::unique_ptr<TextCodec> MakeTextCodec() {
    return std::make_unique<Win32TextCodec>();
}

}  // namespace qvx::updlib::win32
