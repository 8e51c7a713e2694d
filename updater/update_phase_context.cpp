#include "updater/update_phase_context.h"

#include "base/text.h"

namespace qvx::updater {

std::string UpdateWorkFolder(const std::string& programFolder) {
    return programFolder + "qvxUpgraded\\";
}

std::string ShownText(updlib::TextCodec& text, const std::string& ansi) {
    return qvx::base::Utf16ToUtf8(text.AnsiToWide(ansi));
}

std::string UpdatePhaseContext::Shown(const std::string& ansi) const {
    return ShownText(text, ansi);
}

std::string UpdatePhaseContext::WorkFolder() const {
    return UpdateWorkFolder(tro.AppPath);
}

void UpdatePhaseContext::SetEntry(int index, const std::string& entry) const {
    auto& items = view.ListM.items;
    if (index >= 0 && static_cast<std::size_t>(index) < items.size()) {
        items[static_cast<std::size_t>(index)] = entry;
    } else if (index >= 0 && static_cast<std::size_t>(index) == items.size()) {
        items.push_back(entry);
    }
}

bool UpdatePhaseContext::TransferSucceeded(bool writeOver) const {
    const long status = download.StatusCode();
    return writeOver && status >= 200 && status <= 299;
}

}  // namespace qvx::updater
