#include <gtest/gtest.h>

#include "tests/fakes/updlib_ini_cases.h"
#include "tests/wine/updlib/wine_rig.h"

namespace qvx::updlib::win32 {
namespace {

using namespace wine_test;
namespace cases = ini_cases;

class IniProfileWineTest : public ::testing::Test {
protected:
    IniProfileWineTest() : ini(scratch.Path() + "qvxUpgraded.ini") {
        WriteBytes(ini, cases::kIniText);
    }
    ScratchFolder scratch;
    std::string ini;
    std::unique_ptr<Win32TrovapiPorts> platform = MakeWin32TrovapiPorts();
    trovapi api{platform->Ports()};
};

// The same table as the fake's: both answer alike.
TEST_F(IniProfileWineTest, TextReadsFollowTheTable) {
    for (const cases::TextCase& c : cases::kTextCases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key + " size " + std::to_string(c.size));
        EXPECT_EQ(api.GetIniStrEx(ini, c.section, c.key, c.size), c.expected);
        api.IniPath = ini;
        api.IniPro = c.section;
        EXPECT_EQ(api.GetIniStr(c.key, c.size), c.expected);
    }
}

TEST_F(IniProfileWineTest, IntegerReadsFollowTheTable) {
    api.IniPath = ini;
    for (const cases::IntegerCase& c : cases::kIntegerCases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        api.IniPro = c.section;
        EXPECT_EQ(api.GetIniLong(c.key), c.expected);
    }
}

TEST_F(IniProfileWineTest, MissingFileReadsAsErrorAndZero) {
    api.IniPath = scratch.Path() + "absent.ini";
    api.IniPro = "SetOpt";
    EXPECT_EQ(api.GetIniStr("updexe", 255), "Error");
    EXPECT_EQ(api.GetIniLong("updexe"), 0);
}

TEST_F(IniProfileWineTest, WrittenValuesReadBack) {
    api.IniPath = scratch.Path() + "new.ini";
    api.IniPro = "Info";
    api.SetIniStr("ExeVerM", "7");
    api.SetIniStr("Name", "first");
    api.SetIniStr("name", "second");
    EXPECT_EQ(api.GetIniLong("ExeVerM"), 7);
    EXPECT_EQ(api.GetIniStr("NAME", 255), "second");
    api.IniPro = "Other";
    EXPECT_EQ(api.GetIniStr("Name", 255), "Error");
    // A file in a folder that does not exist: the write fails without a word.
    api.IniPath = scratch.Path() + "no\\such\\folder.ini";
    api.SetIniStr("Key", "value");
    EXPECT_EQ(api.GetIniStr("Key", 255), "Error");
}

}  // namespace
}  // namespace qvx::updlib::win32
