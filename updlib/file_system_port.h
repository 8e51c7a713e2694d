#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace qvx::updlib {

// A file opened for reading only; closed when destroyed.
class ReadOnlyFile {
public:
    virtual ~ReadOnlyFile() = default;
    virtual std::uint64_t Size() = 0;
    // Reads exactly `count` bytes at the current position; false when fewer could be read.
    virtual bool Read(std::uint8_t* dest, std::size_t count) = 0;
};

// Paths, attributes and folder queries of the platform. Paths are ANSI bytes, backslashes.
// The buffer queries mirror the platform's: they return the length written (NUL not counted)
// when the text fits, the size needed (NUL counted) when it does not, and 0 on failure.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Full path of the running executable (GetModuleFileNameA), the whole text.
    virtual std::string ModuleFileName() = 0;
    // PathFileExistsA.
    virtual bool PathExists(const std::string& path) = 0;
    // GetFileAttributesA; empty when the query fails (the path does not exist).
    virtual std::optional<std::uint32_t> FileAttributes(const std::string& path) = 0;
    // GetShortPathNameA.
    virtual std::uint32_t ShortPathName(const std::string& path, char* buffer,
                                        std::uint32_t size) = 0;
    // CreateDirectoryA with default security; false when it fails (exists, invalid, root).
    virtual bool CreateFolder(const std::string& path) = 0;
    // Opens an existing file for reading; null when it does not exist or cannot be opened.
    // Never creates a file.
    virtual std::unique_ptr<ReadOnlyFile> OpenRead(const std::string& path) = 0;
    // GetWindowsDirectoryA, GetSystemDirectoryA, GetTempPathA.
    virtual std::uint32_t WindowsDirectory(char* buffer, std::uint32_t size) = 0;
    virtual std::uint32_t SystemDirectory(char* buffer, std::uint32_t size) = 0;
    virtual std::uint32_t TempPath(char* buffer, std::uint32_t size) = 0;
    // File-system path of special folder `csidl` (item list, then path); empty when the folder
    // has none or the query fails.
    virtual std::optional<std::string> SpecialFolderPath(std::int32_t csidl) = 0;
    // An environment variable; empty when it is not set.
    virtual std::optional<std::string> EnvironmentVariable(const std::string& name) = 0;
};

}  // namespace qvx::updlib
