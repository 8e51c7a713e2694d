#pragma once

// One settings file and what the profile routines answer for it. The native tests run the table
// against the fake, the Windows suite against the platform, so the two are held to agree.

#include <cstdint>

namespace qvx::updlib::ini_cases {

inline constexpr const char* kIniText =
    "; local settings\r\n"
    "[SetOpt]\r\n"
    "updexe=1\r\n"
    "upddic = 12ab\r\n"
    "letters=ab\r\n"
    "negative=-7\r\n"
    "hex=0x10\r\n"
    "empty=\r\n"
    "blanks=value with blanks   \r\n"
    "long=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123\r\n"
    "quoted=\"quoted value\"\r\n"
    "single='x'\r\n"
    "halfquoted=\"abc\r\n"
    "comment=a ; b\r\n"
    "bare\r\n"
    "twice=first\r\n"
    "twice=second\r\n"
    "[Server]\r\n"
    "Ser1=Main server\r\n"
    "SerHost1 =  127.0.0.1  \r\n";

struct TextCase {
    const char* section;
    const char* key;
    std::int16_t size;
    const char* expected;
};

inline constexpr TextCase kTextCases[] = {
    {"SetOpt", "updexe", 255, "1"},
    {"SETOPT", "UPDEXE", 255, "1"},
    {"SetOpt", "empty", 255, ""},
    {"SetOpt", "nothere", 255, "Error"},
    {"NoSection", "updexe", 255, "Error"},
    {"SetOpt", "blanks", 255, "value with blanks"},
    {"SetOpt", "long", 20, "ABCDEFGHIJKLMNOPQRS"},
    {"SetOpt", "long", 255, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"},
    {"SetOpt", "quoted", 255, "quoted value"},
    {"SetOpt", "single", 255, "x"},
    {"SetOpt", "halfquoted", 255, "\"abc"},
    {"SetOpt", "comment", 255, "a ; b"},
    {"SetOpt", "bare", 255, "Error"},
    {"SetOpt", "twice", 255, "first"},
    {"SetOpt", "updexe", 1, ""},
    {"SetOpt", "updexe", 0, ""},
    {"Server", "Ser1", 6, "Main"},
    {"Server", "SerHost1", 255, "127.0.0.1"},
};

struct IntegerCase {
    const char* section;
    const char* key;
    std::int32_t expected;
};

inline constexpr IntegerCase kIntegerCases[] = {
    {"SetOpt", "updexe", 1},    {"SetOpt", "upddic", 12},   {"SetOpt", "letters", 0},
    {"SetOpt", "negative", -7}, {"SetOpt", "hex", 16},      {"SetOpt", "nothere", 0},
    {"SetOpt", "empty", 0},     {"NoSection", "updexe", 0}, {"SetOpt", "blanks", 0},
};

}  // namespace qvx::updlib::ini_cases
