#include "updlib/trovapi.h"

namespace qvx::updlib {

std::string TrimTrailingBlanksAndNuls(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\0')) {
        --end;
    }
    return std::string(text.substr(0, end));
}

std::string trovapi::TrimLeft(std::string_view trimStr) {
    return TrimTrailingBlanksAndNuls(trimStr);
}

}  // namespace qvx::updlib
