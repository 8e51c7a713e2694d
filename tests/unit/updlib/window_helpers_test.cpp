#include <gtest/gtest.h>

#include "tests/fakes/updlib_fakes.h"
#include "updlib/trovapi.h"

namespace qvx::updlib {
namespace {

using fakes::TrovapiFakes;

class WindowHelpersTest : public ::testing::Test {
protected:
    WindowHelpersTest() {
        fakes.windows.windows[0x100] = {"Target", "SomeClass", 0};
        fakes.windows.windows[0x200] = {"Target", "ChildClass", 0x100};  // not top-level
    }
    TrovapiFakes fakes;
    trovapi api{fakes.Ports()};
};

TEST_F(WindowHelpersTest, PostKillFormPostsCloseToTheTitledWindow) {
    EXPECT_TRUE(api.PostKillForm("Target"));
    ASSERT_EQ(fakes.windows.posted.size(), 1u);
    EXPECT_EQ(fakes.windows.posted[0].window, 0x100u);
    EXPECT_EQ(fakes.windows.posted[0].message, 0x0010u);  // WM_CLOSE
}

TEST_F(WindowHelpersTest, PostKillFormOfAMissingTitlePostsNothing) {
    EXPECT_FALSE(api.PostKillForm("No such window"));
    EXPECT_FALSE(api.PostKillForm("target"));  // titles match exactly
    EXPECT_TRUE(fakes.windows.posted.empty());
}

TEST_F(WindowHelpersTest, SendKillFormSendsTheCloseCommand) {
    EXPECT_TRUE(api.SendKillForm("Target"));
    ASSERT_EQ(fakes.windows.sent.size(), 1u);
    EXPECT_EQ(fakes.windows.sent[0].window, 0x100u);
    EXPECT_EQ(fakes.windows.sent[0].message, 0x0112u);  // WM_SYSCOMMAND
    EXPECT_EQ(fakes.windows.sent[0].wParam, 0xF060u);   // SC_CLOSE
    EXPECT_FALSE(api.SendKillForm("No such window"));
    EXPECT_EQ(fakes.windows.sent.size(), 1u);
}

TEST_F(WindowHelpersTest, ZOrderMembers) {
    api.FormUp(0x100);
    api.FormZC(0x100);
    api.FormDown(0x100);
    ASSERT_EQ(fakes.windows.placements.size(), 3u);
    EXPECT_EQ(fakes.windows.placements[0].insertAfter, static_cast<WindowHandle>(-1));
    EXPECT_EQ(fakes.windows.placements[1].insertAfter, static_cast<WindowHandle>(-2));
    EXPECT_EQ(fakes.windows.placements[2].insertAfter, 1u);
    for (const auto& p : fakes.windows.placements) {
        EXPECT_EQ(p.window, 0x100u);
        EXPECT_EQ(p.flags, 3u);  // no move, no size
    }
}

TEST_F(WindowHelpersTest, FormAniSetsTheClassCursorOnlyWhenItLoads) {
    fakes.windows.cursorFiles["C:\\busy.ani"] = 0xC0;
    api.FormANI(0x100, "C:\\busy.ani");
    api.FormANI(0x100, "C:\\missing.ani");
    ASSERT_EQ(fakes.windows.classCursors.size(), 1u);
    EXPECT_EQ(fakes.windows.classCursors[0].second, 0xC0u);
}

TEST_F(WindowHelpersTest, ReDesktopPostsF5ToTheIconList) {
    api.ReDesktop();  // no desktop windows yet: nothing posted anywhere
    EXPECT_TRUE(fakes.windows.posted.empty());
    fakes.windows.windows[0x300] = {"Program Manager", "Progman", 0};
    fakes.windows.windows[0x301] = {"", "SHELLDLL_DefView", 0x300};
    fakes.windows.windows[0x302] = {"FolderView", "SysListView32", 0x301};
    api.ReDesktop();
    ASSERT_EQ(fakes.windows.posted.size(), 1u);
    EXPECT_EQ(fakes.windows.posted[0].window, 0x302u);
    EXPECT_EQ(fakes.windows.posted[0].message, 0x0100u);  // WM_KEYDOWN
    EXPECT_EQ(fakes.windows.posted[0].wParam, 116u);
    EXPECT_EQ(fakes.windows.posted[0].lParam, 0x003F0001);
}

TEST_F(WindowHelpersTest, RunScrAsksTheDesktopWindowForTheScreenSaver) {
    api.RunScr();
    ASSERT_EQ(fakes.windows.sent.size(), 1u);
    EXPECT_EQ(fakes.windows.sent[0].window, fakes.windows.desktop);
    EXPECT_EQ(fakes.windows.sent[0].message, 0x0112u);
    EXPECT_EQ(fakes.windows.sent[0].wParam, 0xF140u);
}

TEST_F(WindowHelpersTest, ShellMembers) {
    api.ShellFile("C:\\readme.txt");
    api.ShellFile("https://example.invalid/", 0x100, 3);
    ASSERT_EQ(fakes.shell.executed.size(), 2u);
    EXPECT_EQ(fakes.shell.executed[0].show, 1);
    EXPECT_EQ(fakes.shell.executed[0].owner, 0u);
    EXPECT_EQ(fakes.shell.executed[1].show, 3);
    api.PathSxForm("C:\\readme.txt", 0x100);
    ASSERT_EQ(fakes.shell.propertiesMasks.size(), 1u);
    EXPECT_EQ(fakes.shell.propertiesMasks[0], 0x44Cu);
    EXPECT_EQ(fakes.shell.properties[0].show, 0);
    api.ClsEmpty();
    ASSERT_EQ(fakes.shell.recycleBinEmptied.size(), 1u);
    EXPECT_EQ(fakes.shell.recycleBinEmptied[0].first, "");
    EXPECT_EQ(fakes.shell.recycleBinEmptied[0].second, 7u);
}

}  // namespace
}  // namespace qvx::updlib
