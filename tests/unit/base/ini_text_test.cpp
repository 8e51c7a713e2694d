#include "base/ini_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace qvx::base {
namespace {

TEST(IniText, SectionLines) {
    const struct {
        const char* line;
        const char* section;  // nullptr: opens none
    } cases[] = {
        {"[FileHash]", "FileHash"},
        {"  [ filehash ]  \r", "filehash"},
        {"[FileHash", "FileHash"},  // no closing bracket: still a section start
        {"[Info]extra", "Info"},
        {"[a]b]", "a"},
        {"[]", ""},
        {"x=[FileHash]", nullptr},
        {"; [FileHash]", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const auto name = IniSectionName(c.line);
        EXPECT_EQ(name.has_value(), c.section != nullptr) << c.line;
        if (name && c.section) {
            EXPECT_EQ(*name, c.section) << c.line;
        }
    }
}

TEST(IniText, ValuesByTheFirstLineOfTheirKeyInTheirSection) {
    const std::string text =
        "top=0\n[Info]\r\n InfoStr = marker \r\nexeverm=2\r\nExeVerM=3\r\n; ExeVerZ=1\r\n"
        "[Other]\nExeVerZ=7\n[INFO]\nExeVerZ=5\nnoequals\n";
    const struct {
        const char* section;
        const char* key;
        const char* value;  // nullptr: none
    } cases[] = {
        {"Info", "InfoStr", "marker"}, {"info", "EXEVERM", "2"},  {"Info", "ExeVerZ", "5"},
        {"Other", "ExeVerZ", "7"},     {"", "top", "0"},          {"Info", "top", nullptr},
        {"Info", "noequals", nullptr}, {"Missing", "x", nullptr},
    };
    for (const auto& c : cases) {
        const auto value = IniValue(text, c.section, c.key);
        EXPECT_EQ(value.has_value(), c.value != nullptr) << c.section << "/" << c.key;
        if (value && c.value) {
            EXPECT_EQ(*value, c.value) << c.section << "/" << c.key;
        }
    }
}

}  // namespace
}  // namespace qvx::base
