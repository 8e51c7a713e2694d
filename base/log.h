#pragma once
// Where the programs leave a trace of an error they recover from, so none goes unseen.

#include <string>
#include <string_view>

namespace qvx::base {

class Log {
public:
    virtual ~Log() = default;
    // One line: where the error happened and what it was. Never throws.
    virtual void Write(std::string_view where, std::string_view what) noexcept = 0;
};

// The message of the exception being handled (call it inside a catch block), or a fixed text
// when it is no std::exception.
std::string CurrentExceptionText();

// Writes the exception being handled to the log (call it inside a catch block); never throws,
// so a handler that must not let anything out can call it last.
void LogCurrentException(Log& log, std::string_view where) noexcept;

}  // namespace qvx::base
