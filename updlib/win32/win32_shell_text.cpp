// Shell, common dialog, network dialog and code page adapters.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winnetwk.h>

#include <vector>

#include "updlib/win32/win32_adapters.h"

namespace updlib::win32 {
namespace {

HWND AsHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

const char* OrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

// The shell's browse dialog needs COM on the calling thread; taken for one dialog and given back.
class ComForDialog {
public:
    ComForDialog() : owned_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComForDialog() {
        if (owned_) {
            CoUninitialize();
        }
    }
    ComForDialog(const ComForDialog&) = delete;
    ComForDialog& operator=(const ComForDialog&) = delete;

private:
    bool owned_;
};

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
        if (info.hProcess != nullptr) {
            CloseHandle(info.hProcess);
        }
    }
    void EmptyRecycleBin(WindowHandle owner, const std::string& root,
                         std::uint32_t flags) override {
        SHEmptyRecycleBinA(AsHwnd(owner), root.c_str(), flags);
    }
    std::optional<std::string> BrowseForFolder(WindowHandle owner, const std::string& prompt,
                                               std::int32_t rootCsidl,
                                               std::uint32_t flags) override {
        ComForDialog com;
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
        ComForDialog com;
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

std::u16string ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) {
        return std::u16string();
    }
    const int n =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(wide.data()), n);
    return wide;
}

std::string ToAnsi(const std::u16string& wide) {
    if (wide.empty()) {
        return std::string();
    }
    const auto* data = reinterpret_cast<const wchar_t*>(wide.data());
    const int n = WideCharToMultiByte(CP_ACP, 0, data, static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, data, static_cast<int>(wide.size()), ansi.data(), n, nullptr,
                        nullptr);
    return ansi;
}

class Win32TextCodec : public TextCodec {
public:
    std::u16string AnsiToWide(const std::string& ansi) override { return ToWide(CP_ACP, ansi); }
    std::string WideToAnsi(const std::u16string& wide) override { return ToAnsi(wide); }
    std::string Utf8ToAnsi(const std::string& utf8) override {
        return ToAnsi(ToWide(CP_UTF8, utf8));
    }
};

}  // namespace

std::unique_ptr<Shell> MakeShell() {
    return std::make_unique<Win32Shell>();
}

std::unique_ptr<TextCodec> MakeTextCodec() {
    return std::make_unique<Win32TextCodec>();
}

}  // namespace updlib::win32
