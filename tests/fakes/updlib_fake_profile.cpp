#include "tests/fakes/updlib_fake_profile.h"

#include <cstring>
#include <optional>
#include <sstream>
#include <vector>

namespace qvx::updlib::fakes {
namespace {

struct Entry {
    std::string key;
    std::optional<std::string> value;  // none for a line without "="
};

struct Section {
    std::string name;
    std::vector<Entry> entries;
};

std::string Trim(const std::string& text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t' || text[b] == '\r')) {
        ++b;
    }
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r')) {
        --e;
    }
    return text.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::vector<Section> Parse(const std::string& text) {
    std::vector<Section> sections;
    std::istringstream in(text);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            sections.push_back(
                {Trim(line.substr(1, close == std::string::npos ? line.npos : close - 1)), {}});
            inSection = true;
            continue;
        }
        if (!inSection) {
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            sections.back().entries.push_back({line, std::nullopt});
        } else {
            sections.back().entries.push_back(
                {Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))});
        }
    }
    return sections;
}

std::string Serialize(const std::vector<Section>& sections) {
    std::string text;
    for (const Section& s : sections) {
        text += "[" + s.name + "]\r\n";
        for (const Entry& e : s.entries) {
            text += e.key;
            if (e.value) {
                text += "=" + *e.value;
            }
            text += "\r\n";
        }
    }
    return text;
}

const Section* FindSection(const std::vector<Section>& sections, const std::string& name) {
    for (const Section& s : sections) {
        if (SameName(s.name, Trim(name))) {
            return &s;
        }
    }
    return nullptr;
}

// The platform's copy: an opening quote matched by the last character is dropped, the text is
// cut to size - 1 characters, and the closing quote goes when the cut did not already take it.
std::uint32_t CopyEntry(const std::string& value, char* buffer, std::uint32_t size) {
    std::string v = value;
    bool quoted = false;
    if (v.size() > 1 && (v[0] == '\'' || v[0] == '"') && v.back() == v[0]) {
        v.erase(0, 1);
        quoted = true;
    }
    std::string copy = v.substr(0, size - 1);
    if (quoted && size >= v.size() && !copy.empty()) {
        copy.pop_back();
    }
    std::memcpy(buffer, copy.data(), copy.size());
    buffer[copy.size()] = '\0';
    return static_cast<std::uint32_t>(copy.size());
}

}  // namespace

std::uint32_t FakeProfileFile::ReadString(const std::string& section, const std::string& key,
                                          const std::string& def, char* buffer, std::uint32_t size,
                                          const std::string& file) {
    if (size == 0) {
        return 0;
    }
    std::string fallback = def;
    while (!fallback.empty() && fallback.back() == ' ') {
        fallback.pop_back();
    }
    const auto found = files_.find(file);
    if (found == files_.end()) {
        return CopyEntry(fallback, buffer, size);
    }
    const std::vector<Section> sections = Parse(found->second);
    const Section* s = FindSection(sections, section);
    if (s != nullptr) {
        for (const Entry& e : s->entries) {
            if (SameName(e.key, Trim(key))) {
                return CopyEntry(e.value ? *e.value : fallback, buffer, size);
            }
        }
    }
    return CopyEntry(fallback, buffer, size);
}

std::uint32_t FakeProfileFile::ReadInt(const std::string& section, const std::string& key,
                                       std::int32_t def, const std::string& file) {
    char buffer[30];
    if (ReadString(section, key, "", buffer, sizeof buffer, file) == 0) {
        return static_cast<std::uint32_t>(def);
    }
    // Leading blanks, a sign, then digits of base 10, or of 2, 8, 16 after 0b, 0o, 0x; the
    // first character that is no digit of the base ends the number.
    const char* p = buffer;
    while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'b' || p[1] == 'o' || p[1] == 'x')) {
        base = p[1] == 'b' ? 2 : p[1] == 'o' ? 8 : 16;
        p += 2;
    }
    std::uint32_t total = 0;
    for (; *p != '\0'; ++p) {
        unsigned digit;
        if (*p >= '0' && *p <= '9') {
            digit = static_cast<unsigned>(*p - '0');
        } else if (*p >= 'a' && *p <= 'z') {
            digit = static_cast<unsigned>(*p - 'a' + 10);
        } else if (*p >= 'A' && *p <= 'Z') {
            digit = static_cast<unsigned>(*p - 'A' + 10);
        } else {
            break;
        }
        if (digit >= base) {
            break;
        }
        total = total * base + digit;
    }
    return negative ? 0u - total : total;
}

bool FakeProfileFile::WriteString(const std::string& section, const std::string& key,
                                  const std::string& value, const std::string& file) {
    ++writes;
    if (refused_.count(file) != 0) {
        return false;
    }
    std::vector<Section> sections = Parse(files_[file]);
    Section* s = const_cast<Section*>(FindSection(sections, section));
    if (s == nullptr) {
        sections.push_back({Trim(section), {}});
        s = &sections.back();
    }
    bool replaced = false;
    for (Entry& e : s->entries) {
        if (SameName(e.key, Trim(key))) {
            e.value = Trim(value);
            replaced = true;
            break;
        }
    }
    if (!replaced) {
        s->entries.push_back({Trim(key), Trim(value)});
    }
    files_[file] = Serialize(sections);
    return true;
}

}  // namespace qvx::updlib::fakes
