#include "server/update_files.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "base/ini_text.h"

namespace qvx::server {

namespace fs = std::filesystem;

namespace {

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

bool IsDatabaseFile(const fs::path& file, const fs::path& databasePath) {
    if (databasePath.empty()) {
        return false;
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal", ".secret"}) {
        fs::path side = databasePath;
        side += suffix;
        if (SameFile(file, side)) {
            return true;
        }
    }
    return false;
}

constexpr const char* kInfoName = "qvxUpgraded.ini";
constexpr const char* kSignatureName = "qvxUpgraded.ini.sig";
// An information file is never larger (the updater refuses one that is).
constexpr std::size_t kMaxInfoBytes = 64 * 1024;

// Whether the information file in `folder` lets a client fetch `listName` (steps joined by "\",
// as the updater's list names files): the file itself, its signature, or a [FileHash] name.
bool Listed(const fs::path& folder, const std::string& listName) {
    if (listName == kInfoName || listName == kSignatureName) {
        return true;
    }
    std::ifstream in(folder / kInfoName, std::ios::binary);
    std::string text(kMaxInfoBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    bool listed = false;
    base::ForEachIniEntry(
        text, [&](std::string_view section, std::string_view key, std::string_view) {
            listed = listed || (base::IniNamesEqual(section, "FileHash") && key == listName);
        });
    return listed;
}

// The publication a request lies in: the deepest folder on its way that holds an information
// file, and whether that file lists the rest of the way. Nothing else is ever served.
bool PublishedFile(const fs::path& root, const std::vector<std::string>& steps) {
    for (std::size_t depth = steps.size(); depth-- > 0;) {
        fs::path folder = root;
        for (std::size_t i = 0; i < depth; ++i) {
            folder /= steps[i];
        }
        std::error_code ec;
        if (!fs::is_regular_file(folder / kInfoName, ec)) {
            continue;
        }
        std::string listName;
        for (std::size_t i = depth; i < steps.size(); ++i) {
            listName += (listName.empty() ? "" : "\\") + steps[i];
        }
        return Listed(folder, listName);
    }
    return false;
}

std::optional<std::uint64_t> Number(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<fs::path> ResolveUpdateFile(const fs::path& root, const std::string& requestPath,
                                          const fs::path& databasePath) {
    if (requestPath.size() < 2 || requestPath[0] != '/' ||
        requestPath.find_first_of(std::string("\\\0", 2)) != std::string::npos) {
        return std::nullopt;
    }
    fs::path relative;
    std::vector<std::string> steps;
    std::istringstream stepText(requestPath.substr(1));
    std::string step;
    while (std::getline(stepText, step, '/')) {
        // A leading dot also covers "." and "..".
        if (step.empty() || step[0] == '.') {
            return std::nullopt;
        }
        relative /= step;
        steps.push_back(step);
    }
    if (requestPath.back() == '/' || !PublishedFile(root, steps)) {
        return std::nullopt;
    }
    std::error_code ec;
    const fs::path base = fs::canonical(root, ec);
    if (ec) {
        return std::nullopt;
    }
    // Canonical form follows links: a link inside the folder may not lead out of it, nor to a
    // dot file inside it.
    const fs::path file = fs::canonical(base / relative, ec);
    if (ec || !fs::is_regular_file(file, ec)) {
        return std::nullopt;
    }
    const auto [rootEnd, fileRest] =
        std::mismatch(base.begin(), base.end(), file.begin(), file.end());
    if (rootEnd != base.end()) {
        return std::nullopt;
    }
    for (auto it = fileRest; it != file.end(); ++it) {
        if (it->string().starts_with('.')) {
            return std::nullopt;
        }
    }
    if (IsDatabaseFile(file, databasePath)) {
        return std::nullopt;
    }
    return file;
}

RangeChoice ChooseRange(std::string_view header, std::uint64_t size) {
    constexpr std::string_view kUnit = "bytes=";
    if (!header.starts_with(kUnit)) {
        return {};
    }
    std::string_view range = header.substr(kUnit.size());
    if (range.find(',') != std::string_view::npos) {
        return {RangeChoice::kUnsatisfiable};
    }
    const auto dash = range.find('-');
    if (dash == std::string_view::npos) {
        return {};
    }
    const std::string_view firstText = range.substr(0, dash);
    const std::string_view lastText = range.substr(dash + 1);
    if (firstText.empty()) {
        // "-N": the last N bytes.
        const auto count = Number(lastText);
        if (!count) {
            return {};
        }
        if (*count == 0 || size == 0) {
            return {RangeChoice::kUnsatisfiable};
        }
        const std::uint64_t length = std::min(*count, size);
        return {RangeChoice::kPart, size - length, length};
    }
    const auto first = Number(firstText);
    if (!first) {
        return {};
    }
    std::uint64_t last = size == 0 ? 0 : size - 1;
    if (!lastText.empty()) {
        const auto given = Number(lastText);
        if (!given || *given < *first) {
            return {};
        }
        last = std::min(last, *given);
    }
    if (*first >= size) {
        return {RangeChoice::kUnsatisfiable};
    }
    return {RangeChoice::kPart, *first, last - *first + 1};
}

}  // namespace qvx::server
