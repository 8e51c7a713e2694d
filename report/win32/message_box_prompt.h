#pragma once
// Prompt through MessageBoxW.

#include <windows.h>

#include "report/report_ports.h"

namespace qvx::report::win32 {

class MessageBoxPrompt : public Prompt {
public:
    // owner: the main window (it may be hidden while the box is up), or none.
    explicit MessageBoxPrompt(HWND owner = nullptr) : owner_(owner) {}
    PromptAnswer Show(const std::string& text, PromptButtons buttons, PromptIcon icon) override;

private:
    HWND owner_;
};

}  // namespace qvx::report::win32
