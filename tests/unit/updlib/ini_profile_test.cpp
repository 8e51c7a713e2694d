#include <gtest/gtest.h>

#include "tests/fakes/updlib_fakes.h"
#include "tests/fakes/updlib_ini_cases.h"
#include "updlib/trovapi.h"

namespace qvx::updlib {
namespace {

using fakes::TrovapiFakes;
namespace cases = ini_cases;

constexpr char kIni[] = "C:\\Tools\\qvxUpgraded.ini";

class IniProfileTest : public ::testing::Test {
protected:
    IniProfileTest() { fakes.profile.SetFile(kIni, cases::kIniText); }
    TrovapiFakes fakes;
    trovapi api{fakes.Ports()};
};

TEST_F(IniProfileTest, TextReadsFollowTheTable) {
    for (const cases::TextCase& c : cases::kTextCases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key + " size " + std::to_string(c.size));
        EXPECT_EQ(api.GetIniStrEx(kIni, c.section, c.key, c.size), c.expected);
        api.IniPath = kIni;
        api.IniPro = c.section;
        EXPECT_EQ(api.GetIniStr(c.key, c.size), c.expected);
    }
}

TEST_F(IniProfileTest, IntegerReadsFollowTheTable) {
    api.IniPath = kIni;
    for (const cases::IntegerCase& c : cases::kIntegerCases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        api.IniPro = c.section;
        EXPECT_EQ(api.GetIniLong(c.key), c.expected);
    }
}

TEST_F(IniProfileTest, MissingFileReadsAsErrorAndZero) {
    api.IniPath = "C:\\Tools\\absent.ini";
    api.IniPro = "SetOpt";
    EXPECT_EQ(api.GetIniStr("updexe", 255), "Error");
    EXPECT_EQ(api.GetIniLong("updexe"), 0);
    EXPECT_EQ(api.GetIniStrEx("C:\\Tools\\absent.ini", "SetOpt", "updexe", 255), "Error");
}

TEST_F(IniProfileTest, UnsetFieldsReadAsMissing) {
    // IniPath and IniPro stay empty until a caller sets them.
    EXPECT_EQ(api.IniPath, "");
    EXPECT_EQ(api.IniPro, "");
    EXPECT_EQ(api.GetIniStr("updexe", 255), "Error");
}

TEST_F(IniProfileTest, GetIniStrExLeavesTheFieldsAlone) {
    api.IniPath = "other.ini";
    api.IniPro = "Other";
    EXPECT_EQ(api.GetIniStrEx(kIni, "Server", "Ser1", 255), "Main server");
    EXPECT_EQ(api.IniPath, "other.ini");
    EXPECT_EQ(api.IniPro, "Other");
}

TEST_F(IniProfileTest, NegativeSizeGivesEmptyText) {
    EXPECT_EQ(api.GetIniStrEx(kIni, "SetOpt", "updexe", -5), "");
}

TEST_F(IniProfileTest, WrittenValuesReadBack) {
    api.IniPath = "C:\\Tools\\new.ini";
    api.IniPro = "Info";
    api.SetIniStr("ExeVerM", "7");
    api.SetIniStr("Name", "first");
    api.SetIniStr("name", "second");  // keys match without regard to case
    EXPECT_EQ(api.GetIniLong("ExeVerM"), 7);
    EXPECT_EQ(api.GetIniStr("NAME", 255), "second");
    api.IniPro = "Other";
    EXPECT_EQ(api.GetIniStr("Name", 255), "Error");
}

TEST_F(IniProfileTest, RefusedWritePassesSilently) {
    fakes.profile.RefuseWrites(kIni);
    api.IniPath = kIni;
    api.IniPro = "SetOpt";
    api.SetIniStr("updexe", "0");
    EXPECT_EQ(fakes.profile.writes, 1);
    EXPECT_EQ(api.GetIniLong("updexe"), 1);
}

}  // namespace
}  // namespace qvx::updlib
