#include "updater/update_file_name.h"

#include <array>
#include <vector>

#include "base/text.h"

namespace qvx::updater {
namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// Characters no Windows file name may hold, and ':' (a drive or an alternate data stream).
bool IsForbidden(char16_t c) {
    return c < 0x20 || c == 0x7F || c == u'*' || c == u'?' || c == u'<' || c == u'>' || c == u'|' ||
           c == u'"' || c == u':';
}

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// Windows opens a device for these names whatever extension follows, and drops the blanks
// before the extension: "nul", "Com1.txt" and "CON .log" all name a device, not a file.
bool IsDeviceName(const std::u16string& step) {
    static const std::array<std::u16string, 8> kPlain = {u"CON", u"PRN", u"AUX",    u"NUL",
                                                         u"COM", u"LPT", u"CONIN$", u"CONOUT$"};
    std::u16string base = step.substr(0, step.find(u'.'));
    while (!base.empty() && base.back() == u' ') {
        base.pop_back();
    }
    for (char16_t& c : base) {
        c = Upper(c);
    }
    for (std::size_t i = 0; i < kPlain.size(); ++i) {
        const bool numbered = kPlain[i] == u"COM" || kPlain[i] == u"LPT";
        if (!numbered && base == kPlain[i]) {
            return true;
        }
        if (numbered && base.size() == 4 && base.compare(0, 3, kPlain[i]) == 0) {
            const char16_t n = base[3];
            // The superscript digits count as well.
            if ((n >= u'1' && n <= u'9') || n == u'\u00B9' || n == u'\u00B2' || n == u'\u00B3') {
                return true;
            }
        }
    }
    return false;
}

// Windows drops trailing dots and blanks of a path step, so "a." would open "a" and ". ." the
// folder itself: a step must end in a character that stays.
bool IsUsableStep(const std::u16string& step) {
    return !step.empty() && step.back() != u'.' && step.back() != u' ' && !IsDeviceName(step);
}

// Every byte of the UTF-8 form outside the unreserved set of URLs goes as %XX, so "a#b.dll"
// asks for "a%23b.dll" and a blank can never end the request line.
std::string UrlStep(const std::u16string& step) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url;
    for (unsigned char c : qvx::base::Utf16ToUtf8(step)) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    return url;
}

}  // namespace

UpdateFileName CheckUpdateFileName(const std::string& name, updlib::TextCodec& text) {
    UpdateFileName result;
    const std::u16string wide = text.AnsiToWide(name);
    if (wide.empty() || wide.find(u"..") != std::u16string::npos) {
        return result;
    }
    std::vector<std::u16string> steps(1);
    for (char16_t c : wide) {
        if (IsForbidden(c)) {
            return result;
        }
        if (IsSeparator(c)) {
            steps.emplace_back();
        } else {
            steps.back() += c;
        }
    }
    for (const auto& step : steps) {
        if (!IsUsableStep(step)) {
            return result;
        }
    }
    result.safe = true;
    std::u16string local;
    std::u16string folder;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (i > 0) {
            local += u'\\';
            result.urlPath += '/';
        }
        local += steps[i];
        result.urlPath += UrlStep(steps[i]);
        if (i + 1 < steps.size()) {
            folder += steps[i] + u'\\';
        }
    }
    // A plain name goes to the platform byte for byte, as it stands in the list.
    result.localPath = steps.size() == 1 ? name : text.WideToAnsi(local);
    result.folderPart = text.WideToAnsi(folder);
    return result;
}

}  // namespace qvx::updater
