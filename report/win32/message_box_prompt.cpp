#include "report/win32/message_box_prompt.h"

#include "base/win32/text.h"

namespace qvx::report::win32 {

PromptAnswer MessageBoxPrompt::Show(const std::string& text, PromptButtons buttons,
                                    PromptIcon icon) {
    // The owner is hidden during the update offer: bring the box to the front by itself.
    UINT flags = MB_SETFOREGROUND;
    flags |= buttons == PromptButtons::OkCancel ? MB_OKCANCEL : MB_OK;
    if (icon == PromptIcon::Warning) {
        flags |= MB_ICONWARNING;
    }
    const int pressed =
        MessageBoxW(owner_, base::win32::Utf8ToWide(text).c_str(), L"Quorvex", flags);
    return pressed == IDOK ? PromptAnswer::Ok : PromptAnswer::Cancel;
}

}  // namespace qvx::report::win32
