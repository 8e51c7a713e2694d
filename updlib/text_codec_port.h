#pragma once

#include <string>

namespace qvx::updlib {

// The system ANSI code page, for texts that must be handled by character and for the built-in
// Chinese texts (UTF-8 in the source) that go to ANSI platform calls.
class TextCodec {
public:
    virtual ~TextCodec() = default;
    virtual std::u16string AnsiToWide(const std::string& ansi) = 0;
    virtual std::string WideToAnsi(const std::u16string& wide) = 0;
    virtual std::string Utf8ToAnsi(const std::string& utf8) = 0;
};

}  // namespace qvx::updlib
