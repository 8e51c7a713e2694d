#include "updater/update_file_name.h"

#include <vector>

namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// Windows drops trailing dots and blanks of a path step, so "..", ". ." and "..." all risk
// naming a parent or the folder itself.
bool DotsOrBlanksOnly(const std::u16string& step) {
    for (char16_t c : step) {
        if (c != u'.' && c != u' ') {
            return false;
        }
    }
    return true;
}

}  // namespace

UpdateFileName CheckUpdateFileName(const std::string& name, updlib::TextCodec& text) {
    UpdateFileName result;
    const std::u16string wide = text.AnsiToWide(name);
    if (wide.empty() || IsSeparator(wide.front()) || IsSeparator(wide.back()) ||
        wide.find(u"..") != std::u16string::npos || wide.find(u':') != std::u16string::npos) {
        return result;
    }
    std::vector<std::u16string> steps(1);
    for (char16_t c : wide) {
        if (c < 0x20 || c == 0x7F) {
            return result;
        }
        if (IsSeparator(c)) {
            steps.emplace_back();
        } else {
            steps.back() += c;
        }
    }
    for (const auto& step : steps) {
        if (step.empty() || DotsOrBlanksOnly(step)) {
            return result;
        }
    }
    result.safe = true;
    if (steps.size() == 1) {
        // A plain name goes to the platform byte for byte, as it stands in the list.
        result.localPath = name;
        result.urlPath = name;
        return result;
    }
    std::u16string local;
    std::u16string url;
    std::u16string folder;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (i > 0) {
            local += u'\\';
            url += u'/';
        }
        local += steps[i];
        url += steps[i];
        if (i + 1 < steps.size()) {
            folder += steps[i] + u'\\';
        }
    }
    result.localPath = text.WideToAnsi(local);
    result.urlPath = text.WideToAnsi(url);
    result.folderPart = text.WideToAnsi(folder);
    return result;
}
