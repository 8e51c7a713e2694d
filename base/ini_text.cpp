#include "base/ini_text.h"

#include <algorithm>

namespace qvx::base {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view IniTrim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool IniNamesEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

std::optional<std::string_view> IniSectionName(std::string_view line) {
    line = IniTrim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    return IniTrim(
        line.substr(1, line.find(']') == std::string_view::npos ? line.npos : line.find(']') - 1));
}

void ForEachIniLine(
    std::string_view text,
    const std::function<void(std::string_view section, std::string_view line)>& visit) {
    std::string_view section;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (const auto name = IniSectionName(line)) {
            section = *name;
        }
        visit(section, line);
    }
}

void ForEachIniEntry(std::string_view text,
                     const std::function<void(std::string_view section, std::string_view key,
                                              std::string_view value)>& visit) {
    ForEachIniLine(text, [&](std::string_view section, std::string_view line) {
        line = IniTrim(line);
        const std::size_t equals = line.find('=');
        if (line.empty() || line.front() == ';' || line.front() == '[' ||
            equals == std::string_view::npos) {
            return;
        }
        visit(section, IniTrim(line.substr(0, equals)), IniTrim(line.substr(equals + 1)));
    });
}

std::optional<std::string> IniValue(std::string_view text, std::string_view section,
                                    std::string_view key) {
    std::optional<std::string> found;
    ForEachIniEntry(text, [&](std::string_view s, std::string_view k, std::string_view v) {
        if (!found && IniNamesEqual(s, section) && IniNamesEqual(k, key)) {
            found = std::string(v);
        }
    });
    return found;
}

}  // namespace qvx::base
