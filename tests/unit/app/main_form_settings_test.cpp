// The three switches and their persistence, and auto-start with its Run value.

#include <string>

#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app {
namespace {

using SettingsTest = MainFormFixture;

constexpr const char* kAutoStartFailed = "开机启动设置不成功，请检查是否有足够的权限！";

TEST_F(SettingsTest, UnusableSwitchTextsCountAsMissing) {
    struct Case {
        const char* stored;
        std::int16_t flag;
        const char* after;
    };
    const Case cases[] = {
        {"0", 0, "0"}, {"1", 1, "1"},  {" 0 ", 0, " 0 "}, {"abc", 1, "1"},
        {"2", 1, "1"}, {"-1", 1, "1"}, {"99999", 1, "1"}, {"1.0", 1, "1"},
    };
    for (const Case& c : cases) {
        Put("PLTX", c.stored);
        Start();
        EXPECT_EQ(form->PLTXSwitch(), c.flag) << c.stored;
        EXPECT_EQ(Stored("PLTX"), c.after) << c.stored;
    }
}

TEST_F(SettingsTest, SwitchClicksStoreAllThreeInOrder) {
    Start();
    recordingRegistry.log = &log;
    form->PLTX_XUAN_Click();
    EXPECT_EQ(log.entries,
              (std::vector<std::string>{"reg write ZNHY", "reg write PLTX", "reg write KJQD"}));
    EXPECT_EQ(Stored("ZNHY"), "1");
    EXPECT_EQ(Stored("PLTX"), "0");
    EXPECT_EQ(Stored("KJQD"), "1");
    EXPECT_TRUE(C().PLTX.visible);
    EXPECT_FALSE(C().PLTX_XUAN.visible);
    form->PLTX_Click();
    EXPECT_EQ(Stored("PLTX"), "1");
    EXPECT_EQ(form->PLTXSwitch(), 1);
    EXPECT_TRUE(C().PLTX_XUAN.visible);
    EXPECT_FALSE(C().PLTX.visible);
}

TEST_F(SettingsTest, RunValuePathFollowsTheProgramFolder) {
    struct Case {
        const char* folder;
        const char* baseName;
        const char* runValue;
    };
    const Case cases[] = {
        {"C:\\Tools\\Quorvex", "quorvex", "C:\\Tools\\Quorvex\\quorvex.exe"},
        {"C:\\", "quorvex", "C:\\\\quorvex.exe"},  // a root folder already ends in "\"
        {"C:\\Program Files\\Quorvex", "quorvex", "\"C:\\Program Files\\Quorvex\\quorvex.exe\""},
        {"D:\\eye care", "qv2", "\"D:\\eye care\\qv2.exe\""},
    };
    for (const Case& c : cases) {
        host.folder = c.folder;
        host.baseName = c.baseName;
        Start();
        EXPECT_EQ(RunValue(), c.runValue);
    }
}

TEST_F(SettingsTest, SwitchingAutoStartOnThatFailsRevertsAndSays) {
    Put("KJQD", "0");
    Start();
    registry.RefuseCreate(HKEY_CURRENT_USER_ROOT, kRunKey);
    form->KJQD_Click();
    EXPECT_EQ(form->KJQDSwitch(), 0);
    EXPECT_TRUE(C().KJQD.visible);
    EXPECT_FALSE(C().KJQD_XUAN.visible);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kAutoStartFailed);
    EXPECT_EQ(messages.shown[0].kind, MessageBoxKind::OkOnly);
    EXPECT_EQ(Stored("KJQD"), "0");
    EXPECT_EQ(RunValue(), std::nullopt);
}

TEST_F(SettingsTest, SwitchingAutoStartOnAndOffWrites) {
    Put("KJQD", "0");
    Start();
    form->KJQD_Click();
    EXPECT_EQ(form->KJQDSwitch(), 1);
    EXPECT_TRUE(C().KJQD_XUAN.visible);
    EXPECT_EQ(Stored("KJQD"), "1");
    EXPECT_TRUE(RunValue());
    form->KJQD_XUAN_Click();
    EXPECT_EQ(form->KJQDSwitch(), 0);
    EXPECT_TRUE(C().KJQD.visible);
    EXPECT_EQ(Stored("KJQD"), "0");
    EXPECT_EQ(RunValue(), std::nullopt);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsTest, SwitchingOffWithTheRunValueAlreadyGoneStaysOnSilently) {
    Start();
    registry.PutString(HKEY_CURRENT_USER_ROOT, kRunKey, "other", "x");  // the key itself stays
    ASSERT_TRUE(module.DeleteRegEntry(HKEY_CURRENT_USER_ROOT, kRunKey, "quorvex"));
    form->KJQD_XUAN_Click();
    EXPECT_EQ(form->KJQDSwitch(), 1);
    EXPECT_TRUE(C().KJQD_XUAN.visible);
    EXPECT_FALSE(C().KJQD.visible);
    EXPECT_EQ(Stored("KJQD"), "1");
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace qvx::app
