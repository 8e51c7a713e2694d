#include "updlib/trovapi.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qvx::updlib {
namespace {

constexpr std::uint32_t kFolderAttribute = 16;
constexpr std::uint32_t kSysPathBuffer = 200;
constexpr std::uint32_t kShortPathBuffer = 164;
constexpr std::size_t kCompareBlock = 10000;

// Runs a platform query that fills a caller's buffer. When the text does not fit, the query
// reports the size it needs and is asked again with that size, so the whole text comes back or,
// when the platform keeps asking for more or fails, none at all.
template <class Query>
std::string QueryBufferedText(Query query, std::uint32_t initialSize) {
    std::vector<char> buffer(initialSize, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const std::uint32_t n = query(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        if (n == 0) {
            return std::string();
        }
        if (n < buffer.size()) {
            return std::string(buffer.data(), n);
        }
        buffer.assign(static_cast<std::size_t>(n) + 1, '\0');
    }
    return std::string();
}

// System folders by the codes of SysPath: the special-folder number, or -1 for the codes that
// are answered otherwise.
constexpr std::array<std::int32_t, 20> kSpecialFolderOfCode = {
    -1, -1, -1, 0, 9, 5, 2, 7, -1, 11, 6, 8, 19, 20, 33, 34, 32, 21, 26, 27,
};

}  // namespace

std::string PathFileName(std::string_view path) {
    const std::size_t p = path.rfind('\\');
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string PathFolderName(std::string_view path) {
    const std::size_t p = path.rfind('\\');
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string trovapi::GetAppPath() {
    // The folder of the executable, which for a drive root already ends in its backslash.
    std::string folder = PathFolderName(ports_.files.ModuleFileName());
    if (folder.empty() || folder.back() != '\\') {
        folder += '\\';
    }
    return folder;
}

std::string trovapi::ProgramFolderAsReported() {
    std::string folder = GetAppPath();
    // Only a drive root such as C:\ keeps its backslash.
    const bool driveRoot = folder.size() == 3 && folder[1] == ':';
    if (!driveRoot && folder.size() > 1) {
        folder.pop_back();
    }
    return folder;
}

std::string trovapi::SysPath(std::int32_t pathName) {
    FileSystem& files = ports_.files;
    switch (pathName) {
        case 0:
            return QueryBufferedText(
                [&](char* b, std::uint32_t n) { return files.WindowsDirectory(b, n); },
                kSysPathBuffer);
        case 1:
            return QueryBufferedText(
                [&](char* b, std::uint32_t n) { return files.SystemDirectory(b, n); },
                kSysPathBuffer);
        case 2:
            return QueryBufferedText([&](char* b, std::uint32_t n) { return files.TempPath(b, n); },
                                     kSysPathBuffer);
        case 8:
            return files.EnvironmentVariable("Programfiles").value_or(std::string());
        default:
            break;
    }
    if (pathName < 0 || pathName >= static_cast<std::int32_t>(kSpecialFolderOfCode.size())) {
        return std::string();
    }
    return files.SpecialFolderPath(kSpecialFolderOfCode[static_cast<std::size_t>(pathName)])
        .value_or(std::string());
}

bool trovapi::FiFoExists(const std::string& fileName) {
    return !fileName.empty() && ports_.files.PathExists(fileName);
}

std::optional<bool> trovapi::FolderOrFile(const std::string& strPath) {
    const std::optional<std::uint32_t> attributes = ports_.files.FileAttributes(strPath);
    if (!attributes) {
        return std::nullopt;
    }
    return (*attributes & kFolderAttribute) != 0;
}

bool trovapi::FileExists(const std::string& fileName) {
    if (!FiFoExists(fileName)) {
        return false;
    }
    // The path may vanish between the two questions; then it is no file either.
    const std::optional<bool> folder = FolderOrFile(fileName);
    return folder.has_value() && !*folder;
}

bool trovapi::FolderExists(const std::string& fileName) {
    if (!FiFoExists(fileName)) {
        return false;
    }
    return FolderOrFile(fileName).value_or(false);
}

std::string trovapi::NameToPath(const std::string& pathIn) {
    if (TrimLeft(pathIn).empty()) {
        return std::string();
    }
    if (pathIn.size() >= 3 && pathIn[1] == ':' && (pathIn[2] == '\\' || pathIn[2] == '/')) {
        return pathIn;
    }
    // Everything else, a leading backslash, a UNC name or a dot included, counts as relative.
    return GetAppPath() + pathIn;
}

std::string trovapi::PathToFile(std::string_view filePath) {
    return PathFileName(filePath);
}

std::string trovapi::PathToFolder(std::string_view filePath) {
    return PathFolderName(filePath);
}

std::string trovapi::GetShortPath(const std::string& sFile) {
    FileSystem& files = ports_.files;
    return QueryBufferedText(
        [&](char* b, std::uint32_t n) { return files.ShortPathName(sFile, b, n); },
        kShortPathBuffer);
}

void trovapi::NewPath(const std::string& newDirectory) {
    std::string path = newDirectory;
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    // Every level from the left; a level that exists, a drive root or a bad name simply fails.
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\') {
            ports_.files.CreateFolder(path.substr(0, i + 1));
        }
    }
}

bool trovapi::CompFile(const std::string& file1, const std::string& file2) {
    // Read-only: a missing file compares unequal and is not created.
    std::unique_ptr<ReadOnlyFile> a = ports_.files.OpenRead(file1);
    std::unique_ptr<ReadOnlyFile> b = ports_.files.OpenRead(file2);
    if (!a || !b) {
        return false;
    }
    const std::uint64_t length = a->Size();
    if (length != b->Size()) {
        return false;
    }
    std::vector<std::uint8_t> blockA(kCompareBlock);
    std::vector<std::uint8_t> blockB(kCompareBlock);
    std::uint64_t left = length;
    while (left > 0) {
        const std::size_t n = left < kCompareBlock ? static_cast<std::size_t>(left) : kCompareBlock;
        if (!a->Read(blockA.data(), n) || !b->Read(blockB.data(), n)) {
            return false;
        }
        if (!std::equal(blockA.begin(), blockA.begin() + static_cast<std::ptrdiff_t>(n),
                        blockB.begin())) {
            return false;
        }
        left -= n;
    }
    return true;
}

}  // namespace qvx::updlib
