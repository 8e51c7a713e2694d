#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/updlib_fakes.h"
#include "updlib/trovapi.h"

namespace qvx::updlib {
namespace {

using namespace std::string_literals;
using fakes::TrovapiFakes;

TEST(TrimLeftTest, CutsTrailingBlanksAndNulsOnly) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"abc", "abc"},
        {"abc  ", "abc"},
        {"abc\0\0"s, "abc"},
        {"abc \0 \0  \0"s, "abc"},
        {"  abc \0"s, "  abc"},
        {"a\0b\0"s, "a\0b"s},
        {"    ", ""},
        {"\0\0 \0"s, ""},
        {"", ""},
        {"a b", "a b"},
        {"tab\t", "tab\t"},
    };
    TrovapiFakes fakes;
    trovapi api(fakes.Ports());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(api.TrimLeft(c.in), c.out);
    }
}

TEST(RevStringTest, ReversesCharactersKeepingDoubleByteOnesWhole) {
    TrovapiFakes fakes;
    trovapi api(fakes.Ports());
    EXPECT_EQ(api.RevString("abc"), "cba");
    EXPECT_EQ(api.RevString(""), "");
    // "a" + one double-byte character + "b" in the system code page.
    EXPECT_EQ(api.RevString("a\xD6\xD0"
                            "b"),
              "b\xD6\xD0"
              "a");
}

TEST(ScaleRandomTest, RoundsToNearestWithHalvesToEven) {
    EXPECT_EQ(ScaleRandom(0.0f), 0);
    // 0.5 * 2147483647 = 1073741823.5, a half: the even neighbour is 1073741824.
    EXPECT_EQ(ScaleRandom(0.5f), 1073741824);
    // 0.25 * 2147483647 = 536870911.75 rounds up.
    EXPECT_EQ(ScaleRandom(0.25f), 536870912);
    // The largest single below 1 stays inside the range.
    const float belowOne = 16777215.0f / 16777216.0f;
    EXPECT_EQ(ScaleRandom(belowOne), 2147483519);
}

TEST(GetRndTest, DrawsInRangeAndKeepsTheLastInRndLong) {
    TrovapiFakes fakes;
    trovapi api(fakes.Ports());
    const std::int32_t first = api.GetRnd();
    EXPECT_EQ(api.RndLong, first);
    // Same clock reading: the draw must still move on.
    const std::int32_t second = api.GetRnd();
    EXPECT_EQ(api.RndLong, second);
    EXPECT_NE(first, second);
    for (int i = 0; i < 200; ++i) {
        fakes.clock.now.milliseconds = static_cast<std::uint16_t>(i * 7 % 1000);
        const std::int32_t r = api.GetRnd();
        EXPECT_GE(r, 0);
        EXPECT_LE(r, 2147483647);
        EXPECT_EQ(api.RndLong, r);
    }
}

}  // namespace
}  // namespace qvx::updlib
