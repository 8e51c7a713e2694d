#include "base/log.h"

#include <exception>

namespace qvx::base {

std::string CurrentExceptionText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an exception that is no std::exception";
    }
}

void LogCurrentException(Log& log, std::string_view where) noexcept {
    try {
        log.Write(where, CurrentExceptionText());
    } catch (...) {
        log.Write(where, "no memory left to describe the error");
    }
}

}  // namespace qvx::base
