#pragma once

#include <cstdint>
#include <string>

namespace qvx::updlib {

// An opaque window handle as the platform hands it out; 0 is "no window".
using WindowHandle = std::uintptr_t;

// Local time in the platform's SYSTEMTIME layout: eight 16-bit fields.
struct TimeRecord {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};

// A failure handed back to the caller of a trovapi member instead of being thrown.
struct TrovapiError {
    std::int32_t number = 0;
    std::string source;
    std::string description;
};

}  // namespace qvx::updlib
