// Private-profile, file and folder adapters: plain translations to the ANSI platform calls.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "updlib/win32/win32_adapters.h"

namespace qvx::updlib::win32 {
namespace {

class Win32ProfileFile : public ProfileFile {
public:
    std::uint32_t ReadString(const std::string& section, const std::string& key,
                             const std::string& def, char* buffer, std::uint32_t size,
                             const std::string& file) override {
        return GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, size,
                                        file.c_str());
    }
    std::uint32_t ReadInt(const std::string& section, const std::string& key, std::int32_t def,
                          const std::string& file) override {
        return GetPrivateProfileIntA(section.c_str(), key.c_str(), def, file.c_str());
    }
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) override {
        return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                          file.c_str()) != 0;
    }
};

class Win32ReadOnlyFile : public ReadOnlyFile {
public:
    explicit Win32ReadOnlyFile(HANDLE handle) : handle_(handle) {}
    ~Win32ReadOnlyFile() override { CloseHandle(handle_); }
    Win32ReadOnlyFile(const Win32ReadOnlyFile&) = delete;
    Win32ReadOnlyFile& operator=(const Win32ReadOnlyFile&) = delete;

    std::uint64_t Size() override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(handle_, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }
    bool Read(std::uint8_t* dest, std::size_t count) override {
        while (count > 0) {
            DWORD got = 0;
            const DWORD want = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
            if (!ReadFile(handle_, dest, want, &got, nullptr) || got == 0) {
                return false;
            }
            dest += got;
            count -= got;
        }
        return true;
    }

private:
    HANDLE handle_;
};

class Win32FileSystem : public FileSystem {
public:
    std::string ModuleFileName() override {
        std::vector<char> buffer(MAX_PATH);
        for (;;) {
            const DWORD n =
                GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (n == 0) {
                return std::string();
            }
            if (n < buffer.size()) {
                return std::string(buffer.data(), n);
            }
            buffer.resize(buffer.size() * 2);
        }
    }
    bool PathExists(const std::string& path) override { return PathFileExistsA(path.c_str()); }
    std::optional<std::uint32_t> FileAttributes(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return std::nullopt;
        }
        return attributes;
    }
    std::uint32_t ShortPathName(const std::string& path, char* buffer,
                                std::uint32_t size) override {
        return GetShortPathNameA(path.c_str(), buffer, size);
    }
    bool CreateFolder(const std::string& path) override {
        return CreateDirectoryA(path.c_str(), nullptr) != 0;
    }
    std::unique_ptr<ReadOnlyFile> OpenRead(const std::string& path) override {
        const HANDLE handle =
            CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        return std::make_unique<Win32ReadOnlyFile>(handle);
    }
    std::uint32_t WindowsDirectory(char* buffer, std::uint32_t size) override {
        return GetWindowsDirectoryA(buffer, size);
    }
    std::uint32_t SystemDirectory(char* buffer, std::uint32_t size) override {
        return GetSystemDirectoryA(buffer, size);
    }
    std::uint32_t TempPath(char* buffer, std::uint32_t size) override {
        return GetTempPathA(size, buffer);
    }
    std::optional<std::string> SpecialFolderPath(std::int32_t csidl) override {
        LPITEMIDLIST items = nullptr;
        if (SHGetSpecialFolderLocation(nullptr, csidl, &items) != S_OK || items == nullptr) {
            return std::nullopt;
        }
        // The path call writes up to MAX_PATH characters, whatever buffer it is given.
        char path[MAX_PATH + 1] = {};
        const BOOL ok = SHGetPathFromIDListA(items, path);
        CoTaskMemFree(items);
        if (!ok) {
            return std::nullopt;
        }
        return std::string(path);
    }
    std::optional<std::string> EnvironmentVariable(const std::string& name) override {
        std::vector<char> buffer(256);
        for (int attempt = 0; attempt < 4; ++attempt) {
            const DWORD n = GetEnvironmentVariableA(name.c_str(), buffer.data(),
                                                    static_cast<DWORD>(buffer.size()));
            if (n == 0) {
                return std::nullopt;
            }
            if (n < buffer.size()) {
                return std::string(buffer.data(), n);
            }
            buffer.resize(n + 1);
        }
        return std::nullopt;
    }
};

}  // namespace

std::unique_ptr<ProfileFile> MakeProfileFile() {
    return std::make_unique<Win32ProfileFile>();
}

std::unique_ptr<FileSystem> MakeFileSystem() {
    return std::make_unique<Win32FileSystem>();
}

}  // namespace qvx::updlib::win32
