#include "base/text.h"

#include <gtest/gtest.h>

#include <utility>

namespace qvx::base {
namespace {

struct Case {
    const char* name;
    std::string utf8;
    std::u16string utf16;
};

// Well-formed texts go both ways unchanged.
TEST(Utf8Utf16Test, WellFormedTextsRoundTrip) {
    const Case cases[] = {
        {"empty", "", u""},
        {"ascii", "qvxUpgraded.ini", u"qvxUpgraded.ini"},
        {"two bytes", "\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
        {"three bytes", "\xE5\x9C\xA8\xE7\xBA\xBF\xE5\x8D\x87\xE7\xBA\xA7", u"在线升级"},
        {"surrogate pair", "a\xF0\x9F\x98\x80z", u"a\U0001F600z"},
        {"embedded nul", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    }
}

// Each malformed unit becomes one U+FFFD and the text after it survives.
TEST(Utf8Utf16Test, MalformedInputBecomesReplacementCharacter) {
    const Case toUtf16[] = {
        {"stray continuation byte", "a\x80z", u"a\uFFFDz"},
        {"truncated sequence at end", "a\xE5\x9C", u"a\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"invalid lead byte", "\xFFok", u"\uFFFDok"},
    };
    for (const Case& c : toUtf16) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'z'}), "a\xEF\xBF\xBDz");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDC00)}), "\xEF\xBF\xBD");
}

// Only blanks go, and only at the ends: the forms' Trim, not a whitespace trim.
TEST(TrimSpacesTest, OnlyBlanksAtTheEndsGo) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"   ", ""},
        {"  QUORVEX.EXE ", "QUORVEX.EXE"},
        {"a  b", "a  b"},
        {"\t1\r\n", "\t1\r\n"},
        {" 1\r\n ", "1\r\n"},
    };
    for (const auto& [text, trimmed] : cases) {
        EXPECT_EQ(TrimSpaces(text), trimmed) << text;
    }
}

}  // namespace
}  // namespace qvx::base
