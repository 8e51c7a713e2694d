#include "base/win32/file_log.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <utility>

#include "base/win32/scoped.h"
#include "base/win32/text.h"

namespace qvx::base::win32 {

FileLog::FileLog(std::wstring folder, const std::wstring& name, std::size_t maxBytes)
    : folder_(std::move(folder)), maxBytes_(maxBytes) {
    if (!folder_.empty()) {
        std::wstring base = folder_;
        if (base.back() != L'\\') {
            base += L'\\';
        }
        path_ = base + name + L".log";
        oldPath_ = base + name + L".old.log";
    }
}

void FileLog::Write(std::string_view where, std::string_view what) noexcept {
    try {
        SYSTEMTIME now;
        GetLocalTime(&now);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth,
                      now.wDay, now.wHour, now.wMinute, now.wSecond);
        std::string line = stamp;
        line.append(where).append(": ").append(what).append("\r\n");
        OutputDebugStringW(Utf8ToWide(line).c_str());
        const std::lock_guard<std::mutex> lock(mutex_);
        Append(line);
    } catch (...) {
        // Out of memory while logging: there is nowhere left to report it.
    }
}

void FileLog::Append(const std::string& line) {
    if (path_.empty()) {
        return;
    }
    CreateDirectoryW(folder_.c_str(), nullptr);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &attributes)) {
        const unsigned long long size =
            (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) |
            attributes.nFileSizeLow;
        if (size > 0 && size + line.size() > maxBytes_) {
            MoveFileExW(path_.c_str(), oldPath_.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    const UniqueHandle file(CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    // A single line longer than the bound keeps only its beginning.
    const std::size_t bytes = line.size() < maxBytes_ ? line.size() : maxBytes_;
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(bytes), &written, nullptr);
}

std::wstring ProgramLogFolder() {
    PWSTR folder = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)) && folder) {
        result = std::wstring(folder) + L"\\Quorvex";
    }
    CoTaskMemFree(folder);
    return result;
}

}  // namespace qvx::base::win32
