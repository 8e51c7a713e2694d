// The updater window's Win32 side: the file operations of the installation on the real file
// system, starting programs, and the controls as a projection of MainF's view model.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "updater/main_f.h"
#include "updater/win32/cng_update_trust.h"
#include "updater/win32/download_file_adapter.h"
#include "updater/win32/main_f_adapters.h"
#include "updater/win32/main_f_window.h"
#include "updater/win32/window_message_pump.h"
#include "updater/win32/wininet_adapter.h"
#include "updlib/win32/win32_updlib_ports.h"

namespace qvx::updater::win32 {
namespace {

std::string TempFolder() {
    char buffer[MAX_PATH];
    ::GetTempPathA(MAX_PATH, buffer);
    std::string folder =
        std::string(buffer) + "qvx_upd_files_" + std::to_string(::GetCurrentProcessId()) + "\\";
    return folder;
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class UpdateFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = TempFolder();
        ASSERT_TRUE(files.CreateFolders(root));
    }
    void TearDown() override {
        files.ClearFolder(root);
        ::RemoveDirectoryA(root.c_str());
    }
    Win32UpdateFiles files;
    std::string root;
};

TEST_F(UpdateFilesTest, FoldersAreCreatedStepByStepAndFound) {
    const std::string deep = root + "a\\b\\c";
    EXPECT_FALSE(files.Found(deep));
    EXPECT_TRUE(files.CreateFolders(deep + "\\"));
    EXPECT_TRUE(files.Found(deep));
    EXPECT_FALSE(files.FileExists(deep));
    EXPECT_TRUE(files.CreateFolders(deep));  // already there
    Write(root + "a\\x.dat", "x");
    EXPECT_FALSE(files.CreateFolders(root + "a\\x.dat"));  // a file stands there
    EXPECT_TRUE(files.FileExists(root + "a\\x.dat"));
}

TEST_F(UpdateFilesTest, CopyOverwritesRenameReplacesRemoveDeletes) {
    Write(root + "new.dll", "new");
    Write(root + "old.dll", "old");
    EXPECT_TRUE(files.CopyOver(root + "new.dll", root + "old.dll"));
    EXPECT_EQ(Read(root + "old.dll"), "new");
    EXPECT_FALSE(files.CopyOver(root + "missing.dll", root + "old.dll"));
    Write(root + "other.dll", "other");
    EXPECT_TRUE(files.Rename(root + "other.dll", root + "old.dll"));
    EXPECT_EQ(Read(root + "old.dll"), "other");
    EXPECT_FALSE(files.FileExists(root + "other.dll"));
    EXPECT_TRUE(files.RemoveFile(root + "old.dll"));
    EXPECT_FALSE(files.RemoveFile(root + "old.dll"));
}

TEST_F(UpdateFilesTest, ClearFolderEmptiesSubFoldersAndKeepsTheFolder) {
    ASSERT_TRUE(files.CreateFolders(root + "work\\data"));
    Write(root + "work\\a.dll", "a");
    Write(root + "work\\data\\b.dat", "b");
    files.ClearFolder(root + "work\\");
    EXPECT_TRUE(files.Found(root + "work"));
    EXPECT_FALSE(files.Found(root + "work\\a.dll"));
    EXPECT_FALSE(files.Found(root + "work\\data"));
    files.ClearFolder(root + "work\\");  // nothing there: no harm
}

// The installation's way around a running program file: it can be renamed but not overwritten.
TEST_F(UpdateFilesTest, RunningProgramIsRenamedAsideThenReplaced) {
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string exe = self;
    const std::string aside = exe + ".qvxold";
    Write(root + "replacement.exe", "MZ replacement");
    ASSERT_TRUE(files.Rename(exe, aside));
    const bool copied = files.CopyOver(root + "replacement.exe", exe);
    const std::string installed = Read(exe);
    // Put everything back before judging.
    files.RemoveFile(exe);
    ASSERT_TRUE(files.Rename(aside, exe));
    EXPECT_TRUE(copied);
    EXPECT_EQ(installed, "MZ replacement");
}

TEST(ProcessLauncherTest, StartsByCommandLineAndReportsFailure) {
    Win32ProcessLauncher launcher;
    EXPECT_TRUE(launcher.Launch("cmd.exe /c exit 0", ShowState::MinimizedFocus));
    EXPECT_FALSE(launcher.Launch("no_such_program_qvx.exe", ShowState::NormalFocus));
}

// The window over a MainF that has not been loaded: what the view model says, the controls show.
class MainFWindowTest : public ::testing::Test {
protected:
    MainFWindowTest()
        : trovapiPorts(updlib::win32::MakeWin32TrovapiPorts()),
          module1Ports(updlib::win32::MakeWin32Module1Ports("qvxUpgraded")),
          messages(L"qvxUpgraded"),
          window(::GetModuleHandleW(nullptr)),
          form(MainFPorts{trovapiPorts->Ports(), module1Ports->Ports(), internet, downloadFiles,
                          pump, messages, trovapiPorts->Ports().text, processes, files, window,
                          trust}) {}

    std::wstring Text(HWND w) {
        wchar_t buffer[256] = {};
        ::GetWindowTextW(w, buffer, 256);
        return buffer;
    }
    HWND Item(int id) { return ::GetDlgItem(window.Hwnd(), id); }

    std::unique_ptr<updlib::win32::Win32TrovapiPorts> trovapiPorts;
    std::unique_ptr<updlib::win32::Win32Module1Ports> module1Ports;
    CngUpdateTrust trust{std::string(64, '\x01')};
    WinInetAdapter internet;
    DownloadFileAdapter downloadFiles;
    WindowMessagePump pump;
    Win32OwnedMessageBox messages;
    Win32ProcessLauncher processes;
    Win32UpdateFiles files;
    MainFWindow window;
    MainF form;
};

TEST_F(MainFWindowTest, ControlsFollowTheViewModel) {
    ASSERT_TRUE(window.Create(form));
    EXPECT_EQ(Text(window.Hwnd()), L"Quorvex系统在线升级......");
    EXPECT_EQ(Text(Item(IDOK)), L"下一步");
    EXPECT_FALSE(::IsWindowEnabled(Item(IDOK)));
    EXPECT_EQ(Text(Item(IDCANCEL)), L"退出程序");
    EXPECT_EQ(Text(Item(102)), L"选择服务器：");

    // The client area and the action button at their places in twips.
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    RECT client;
    ::GetClientRect(window.Hwnd(), &client);
    EXPECT_EQ(client.right, MulDiv(6375, dpi, 1440));
    EXPECT_EQ(client.bottom, MulDiv(3855, dpi, 1440));
    RECT button;
    ::GetWindowRect(Item(IDOK), &button);
    ::MapWindowPoints(nullptr, window.Hwnd(), reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(button.left, MulDiv(4920, dpi, 1440));
    EXPECT_EQ(button.top, MulDiv(3240, dpi, 1440));

    auto& v = form.View();
    v.ListM.items = {"甲服务器  [5毫秒]", "乙(无效服务器)"};
    v.ListM.listIndex = 1;
    v.NextCmd.caption = "运行系统";
    v.NextCmd.enabled = true;
    v.ProcM.visible = true;
    window.ModelChanged();
    HWND list = Item(100);
    EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
    wchar_t entry[64] = {};
    ::SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ(entry, L"甲服务器  [5毫秒]");
    EXPECT_EQ(Text(Item(IDOK)), L"运行系统");
    EXPECT_TRUE(::IsWindowEnabled(Item(IDOK)));
    EXPECT_TRUE(::GetWindowLongW(Item(101), GWL_STYLE) & WS_VISIBLE);   // the bar
    EXPECT_FALSE(::GetWindowLongW(Item(103), GWL_STYLE) & WS_VISIBLE);  // the hint it covers
}

TEST_F(MainFWindowTest, SelectingAnEntryRunsTheSelectionHandler) {
    ASSERT_TRUE(window.Create(form));
    auto& v = form.View();
    v.ListM.items = {"甲服务器  [5毫秒]", "乙(无效服务器)"};
    window.ModelChanged();
    HWND list = Item(100);
    struct Case {
        int index;
        bool nextEnabled;
    };
    for (const Case& c : {Case{0, true}, Case{1, false}, Case{0, true}}) {
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(c.index), 0);
        ::SendMessageW(window.Hwnd(), WM_COMMAND, MAKEWPARAM(100, LBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(list));
        EXPECT_EQ(v.ListM.listIndex, c.index);
        EXPECT_EQ(v.NextCmd.enabled, c.nextEnabled);
        EXPECT_EQ(::IsWindowEnabled(Item(IDOK)) != FALSE, c.nextEnabled);
    }
}

// Moved to a monitor of twice the scaling: the controls take their twips at the new dpi, the
// window the rectangle the system suggests, and the text a font of the new size.
TEST_F(MainFWindowTest, AnotherMonitorsScalingLaysTheWindowOutAgain) {
    ASSERT_TRUE(window.Create(form));
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    const int newDpi = dpi * 2;
    const HFONT before = reinterpret_cast<HFONT>(::SendMessageW(Item(IDOK), WM_GETFONT, 0, 0));
    LOGFONTW oldFont{};
    ::GetObjectW(before, sizeof oldFont, &oldFont);
    RECT suggested{10, 20, 10 + MulDiv(6375, newDpi, 1440) + 16,
                   20 + MulDiv(3855, newDpi, 1440) + 40};
    ::SendMessageW(window.Hwnd(), WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
                   reinterpret_cast<LPARAM>(&suggested));
    RECT frame;
    ::GetWindowRect(window.Hwnd(), &frame);
    EXPECT_EQ(frame.left, suggested.left);
    EXPECT_EQ(frame.top, suggested.top);
    EXPECT_EQ(frame.right - frame.left, suggested.right - suggested.left);
    RECT button;
    ::GetWindowRect(Item(IDOK), &button);
    ::MapWindowPoints(nullptr, window.Hwnd(), reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(button.left, MulDiv(4920, newDpi, 1440));
    EXPECT_EQ(button.top, MulDiv(3240, newDpi, 1440));
    EXPECT_EQ(button.right - button.left,
              MulDiv(4920 + 1215, newDpi, 1440) - MulDiv(4920, newDpi, 1440));
    LOGFONTW newFont{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(Item(IDOK), WM_GETFONT, 0, 0)),
                 sizeof newFont, &newFont);
    EXPECT_EQ(newFont.lfHeight, -MulDiv(9, newDpi, 72));
    EXPECT_EQ(oldFont.lfHeight, -MulDiv(9, dpi, 72));
}

TEST_F(MainFWindowTest, DisabledActionButtonIgnoresEnter) {
    ASSERT_TRUE(window.Create(form));
    // Enter arrives as IDOK; with NextCmd disabled the phase-0 branch must not run.
    ::SendMessageW(window.Hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(form.View().TipLab.caption, "正在测试服务器速度...");
    EXPECT_EQ(form.Phase(), 0);
}

TEST_F(MainFWindowTest, TabGoesInReadingOrderAndTheActionButtonIsTheDefault) {
    ASSERT_TRUE(window.Create(form));
    auto& v = form.View();
    v.ListM.items = {"甲服务器  [5毫秒]"};
    v.NextCmd.enabled = true;
    window.ModelChanged();
    ::ShowWindow(window.Hwnd(), SW_SHOW);
    // The list at the top, then the bottom row left to right, and round again.
    const HWND list = Item(100), exit = Item(IDCANCEL), next = Item(IDOK);
    EXPECT_EQ(::GetNextDlgTabItem(window.Hwnd(), list, FALSE), exit);
    EXPECT_EQ(::GetNextDlgTabItem(window.Hwnd(), exit, FALSE), next);
    EXPECT_EQ(::GetNextDlgTabItem(window.Hwnd(), next, FALSE), list);
    EXPECT_TRUE(::GetWindowLongW(next, GWL_STYLE) & BS_DEFPUSHBUTTON);
    // Tab while a transfer pumps the messages moves the focus as the program's loop does.
    ::SetFocus(list);
    ASSERT_EQ(::GetFocus(), list);
    ::PostMessageW(list, WM_KEYDOWN, VK_TAB, 0);
    WindowMessagePump(0).DoEvents();
    EXPECT_EQ(::GetFocus(), exit);
}

}  // namespace
}  // namespace qvx::updater::win32
