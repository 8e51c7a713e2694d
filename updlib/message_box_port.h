#pragma once

#include <string>

namespace qvx::updlib {

enum class MessageIcon { None, Exclamation, Information, Error };

// A modal message box with an OK button, titled with the program's title. Text is UTF-8.
class MessageBoxPort {
public:
    virtual ~MessageBoxPort() = default;
    virtual void Show(const std::string& text, MessageIcon icon) = 0;
};

}  // namespace qvx::updlib
