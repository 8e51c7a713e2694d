#include "server/update_files.h"

#include <algorithm>
#include <charconv>
#include <sstream>
#include <system_error>

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
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        fs::path side = databasePath;
        side += suffix;
        if (SameFile(file, side)) {
            return true;
        }
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
    std::istringstream steps(requestPath.substr(1));
    std::string step;
    while (std::getline(steps, step, '/')) {
        // A leading dot also covers "." and "..".
        if (step.empty() || step[0] == '.') {
            return std::nullopt;
        }
        relative /= step;
    }
    if (requestPath.back() == '/') {
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
