#include "updater/win32/main_f_adapters.h"

#include <vector>

#include "base/win32/scoped.h"
#include "base/win32/text.h"

namespace qvx::updater::win32 {
namespace {

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

using qvx::base::win32::UniqueHandle;

UniqueHandle OpenFile(const std::string& path, DWORD access, DWORD disposition) {
    HANDLE h = ::CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    return UniqueHandle(h);
}

// Removes everything inside `folder` (ending in a backslash); failures are skipped. A link or
// junction is removed itself: what it points at lies outside the folder.
void ClearTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    std::vector<std::string> subFolders;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && link) {
            ::RemoveDirectoryA((folder + name).c_str());
        } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            subFolders.push_back(folder + name + "\\");
        } else {
            ::DeleteFileA((folder + name).c_str());
        }
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    for (const std::string& sub : subFolders) {
        ClearTree(sub);
        ::RemoveDirectoryA(sub.c_str());
    }
}

}  // namespace

std::wstring WideFromUtf8(const std::string& text) {
    return qvx::base::win32::Utf8ToWide(text);
}
std::wstring WideFromAnsi(const std::string& text) {
    return qvx::base::win32::AnsiToWide(text);
}

bool Win32ProcessLauncher::Launch(const std::string& commandLine, ShowState show) {
    std::wstring line = WideFromAnsi(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow =
        static_cast<WORD>(show == ShowState::MinimizedFocus ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return false;
    }
    const UniqueHandle thread(process.hThread);
    const UniqueHandle launched(process.hProcess);
    return true;
}

bool Win32UpdateFiles::Found(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::FindClose(find);
    return true;
}

bool Win32UpdateFiles::FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32UpdateFiles::CreateFolders(const std::string& path) {
    std::string folder = path;
    while (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    // Every step from the top; the drive ("C:") and existing folders simply fail to be made.
    for (std::size_t pos = folder.find('\\'); pos != std::string::npos;
         pos = folder.find('\\', pos + 1)) {
        ::CreateDirectoryA(folder.substr(0, pos).c_str(), nullptr);
    }
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return IsFolder(folder);
}

bool Win32UpdateFiles::RemoveFile(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != FALSE;
}

bool Win32UpdateFiles::CopyOver(const std::string& from, const std::string& to) {
    if (!::CopyFileA(from.c_str(), to.c_str(), FALSE)) {
        return false;
    }
    // The install journal goes once every new file is on disk: a power cut must not find it
    // gone and the new files empty.
    UniqueHandle copy = OpenFile(to, GENERIC_WRITE, OPEN_EXISTING);
    return copy && ::FlushFileBuffers(copy.Get());
}

bool Win32UpdateFiles::Rename(const std::string& from, const std::string& to) {
    return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

void Win32UpdateFiles::ClearFolder(const std::string& folder) {
    std::string path = folder;
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    // A work folder that is itself a link is replaced by a real one, never emptied through.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        ::RemoveDirectoryA(path.c_str());
        ::CreateDirectoryA(path.c_str(), nullptr);
        return;
    }
    ClearTree(path + "\\");
}

bool Win32UpdateFiles::ReadFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    UniqueHandle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        return false;
    }
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    return bytes.empty() || (::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                        &read, nullptr) &&
                             read == bytes.size());
}

bool Win32UpdateFiles::WriteFileDurably(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    {
        UniqueHandle file = OpenFile(temp, GENERIC_WRITE, CREATE_ALWAYS);
        DWORD written = 0;
        if (!file ||
            !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) ||
            written != bytes.size() || !::FlushFileBuffers(file.Get())) {
            file.Reset();
            ::DeleteFileA(temp.c_str());
            return false;
        }
    }
    return ::MoveFileExA(temp.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void Win32OwnedMessageBox::Show(const std::string& text, updlib::MessageIcon icon) {
    UINT flags = MB_OK;
    switch (icon) {
        case updlib::MessageIcon::Error:
            flags |= MB_ICONERROR;
            break;
        case updlib::MessageIcon::Exclamation:
            flags |= MB_ICONWARNING;
            break;
        case updlib::MessageIcon::Information:
            flags |= MB_ICONINFORMATION;
            break;
        case updlib::MessageIcon::None:
            break;
    }
    ::MessageBoxW(owner_, WideFromUtf8(text).c_str(), title_.c_str(), flags);
}

}  // namespace qvx::updater::win32
