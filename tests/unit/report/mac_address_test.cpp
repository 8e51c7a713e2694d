#include "report/mac_address.h"

#include <gtest/gtest.h>

#include "tests/fakes/report_fakes.h"

namespace qvx::report {
namespace {

TEST(MacText, AdapterListsBecomeBlankSeparatedDashedText) {
    const struct {
        std::vector<std::string> macs;
        std::string text;
    } cases[] = {
        {{}, ""},
        {{"00:1A:2B:3C:4D:5E"}, "00-1A-2B-3C-4D-5E"},
        {{"00:1A:2B:3C:4D:5E", "52:54:00:12:34:56"}, "00-1A-2B-3C-4D-5E 52-54-00-12-34-56"},
        // As WMI lists them; Wine reports lower case, which is passed on as it is.
        {{"52:54:00:ab:cd:ef", "00:1A:2B:3C:4D:5E"}, "52-54-00-ab-cd-ef 00-1A-2B-3C-4D-5E"},
        {{" 00:1A:2B:3C:4D:5E "}, "00-1A-2B-3C-4D-5E"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MacText(c.macs), c.text);
    }
}

TEST(MacText, FailedQueryGivesNoText) {
    fakes::FakeMacSource source;
    source.macs = std::nullopt;
    EXPECT_EQ(GetMacAddress(source), std::nullopt);
    source.macs = std::vector<std::string>{"aa:bb:cc:dd:ee:ff"};
    EXPECT_EQ(GetMacAddress(source), "aa-bb-cc-dd-ee-ff");
}

}  // namespace
}  // namespace qvx::report
