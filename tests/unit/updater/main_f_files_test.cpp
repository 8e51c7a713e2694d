#include "tests/unit/updater/main_f_fixture.h"

#include <cstdint>

namespace qvx::updater {
namespace {

using fakes::FakeHttpResponse;
using fakes::FakeInternet;

class MainFFilesTest : public MainFTest {
protected:
    // Program 2 offered against installed 1: the file phase is next.
    MainF& ReadyForFiles(const std::vector<std::string>& names) {
        Offer(names);
        MainF& f = ThroughInfoFile();
        EXPECT_EQ(f.Phase(), 2);
        internet.urls.clear();
        return f;
    }
    void Install(const std::string& name, const std::string& bytes) { files[App(name)] = bytes; }
    bool WorkFolderEmpty() const {
        for (const auto& [path, bytes] : files) {
            if (path.rfind(Work(""), 0) == 0) {
                return false;
            }
        }
        return true;
    }
    void ExpectNotSuccessful(MainF& f) {
        EXPECT_EQ(Log().back(), "系统在线升级 - [不成功！]");
        EXPECT_EQ(f.View().ListM.listIndex, static_cast<int>(Log().size()) - 1);
        EXPECT_EQ(f.View().NextCmd.caption, "退出升级");
        EXPECT_TRUE(f.View().NextCmd.enabled);
        EXPECT_EQ(f.Phase(), 3);
        EXPECT_TRUE(WorkFolderEmpty());
        f.NextCmd_Click();
        EXPECT_TRUE(f.Ended());
        EXPECT_TRUE(launcher.launched.empty());
    }
};

TEST_F(MainFFilesTest, OneFileIsFetchedAndInstalled) {
    Serve("a.dll", FakeInternet::Ok("new a"));
    MainF& f = ReadyForFiles({"a.dll"});
    Install("a.dll", "old");
    std::vector<std::string> duringTransfer;
    pump.onEvents = [&](int) { duringTransfer = form->View().ListM.items; };
    f.NextCmd_Click();
    EXPECT_EQ(duringTransfer, (std::vector<std::string>{"a.dll - [正在下载]"}));
    EXPECT_EQ(internet.urls, (std::vector<std::string>{"http://srv/update/a.dll"}));
    EXPECT_EQ(f.View().TopLab.caption, "正在下载文件...");
    EXPECT_FALSE(f.View().TipLab.visible);
    EXPECT_TRUE(f.View().ProcM.visible);
    EXPECT_TRUE(f.View().ProcM.fills.empty());
    EXPECT_EQ(Log(), (std::vector<std::string>{"a.dll - [完成]", "系统在线升级 - [已完成]"}));
    EXPECT_EQ(f.View().ListM.listIndex, 1);
    EXPECT_EQ(f.View().NextCmd.caption, "运行系统");
    EXPECT_TRUE(f.View().NextCmd.enabled);
    EXPECT_EQ(f.Phase(), 3);
    EXPECT_EQ(ProgramFiles(), (std::map<std::string, std::string>{{"a.dll", "new a"}}));
    EXPECT_TRUE(WorkFolderEmpty());
    f.NextCmd_Click();
    ASSERT_EQ(launcher.launched.size(), 1u);
    EXPECT_EQ(launcher.launched[0].commandLine, "quorvex.exe");
    EXPECT_EQ(launcher.launched[0].show, ShowState::NormalFocus);
    EXPECT_TRUE(f.Ended());
}

TEST_F(MainFFilesTest, EachTransferStartsFromTheEndOfThePrevious) {
    Serve("a.dll", FakeInternet::Ok("A"));
    Serve("b.dat", FakeInternet::Ok("B"));
    Serve("quorvex.exe", FakeInternet::Ok("Q"));
    MainF& f = ReadyForFiles({"a.dll", "b.dat", "quorvex.exe"});
    std::vector<std::vector<std::string>> logs;
    pump.onEvents = [&](int) {
        if (logs.empty() || logs.back() != form->View().ListM.items) {
            logs.push_back(form->View().ListM.items);
        }
    };
    f.NextCmd_Click();
    ASSERT_EQ(logs.size(), 3u);
    EXPECT_EQ(logs[0], (std::vector<std::string>{"a.dll - [正在下载]", "b.dat - [等待]",
                                                 "quorvex.exe - [等待]"}));
    EXPECT_EQ(logs[1], (std::vector<std::string>{"a.dll - [完成]", "b.dat - [正在下载]",
                                                 "quorvex.exe - [等待]"}));
    EXPECT_EQ(logs[2], (std::vector<std::string>{"a.dll - [完成]", "b.dat - [完成]",
                                                 "quorvex.exe - [正在下载]"}));
    EXPECT_EQ(ProgramFiles(), (std::map<std::string, std::string>{
                                  {"a.dll", "A"}, {"b.dat", "B"}, {"quorvex.exe", "Q"}}));
    EXPECT_EQ(Log().back(), "系统在线升级 - [已完成]");
    EXPECT_EQ(internet.OpenHandles(), 0);
    EXPECT_EQ(internet.badCloses, 0);
}

// A long list: every transfer runs at the same stack depth, so no length of list can exhaust the
// stack (a chain of transfers each started from the end of the previous one would sink deeper
// with every file).
TEST_F(MainFFilesTest, ALongListRunsEveryTransferAtTheSameStackDepth) {
    constexpr int kFiles = 200;
    std::vector<std::string> names;
    std::map<std::string, std::string> expected;
    for (int i = 0; i < kFiles; ++i) {
        names.push_back(std::string("f").append(std::to_string(i)).append(".dat"));
        expected[names.back()] = "bytes of " + names.back();
        Serve(names.back(), FakeInternet::Ok(expected[names.back()]));
    }
    MainF& f = ReadyForFiles(names);
    std::uintptr_t shallowest = UINTPTR_MAX;
    std::uintptr_t deepest = 0;
    pump.onEvents = [&](int) {
        const auto frame = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
        shallowest = std::min(shallowest, frame);
        deepest = std::max(deepest, frame);
    };
    f.NextCmd_Click();
    EXPECT_EQ(ProgramFiles(), expected);
    EXPECT_EQ(Log().back(), "系统在线升级 - [已完成]");
    ASSERT_NE(deepest, 0u);
    // The same depth for the first file and the last (a few bytes of slack, never one frame per
    // file).
    EXPECT_LT(deepest - shallowest, 256u);
}

TEST_F(MainFFilesTest, FailedCopyPutsEveryReplacedFileBack) {
    Serve("one.dll", FakeInternet::Ok("new 1"));
    Serve("two.dll", FakeInternet::Ok("new 2"));
    Serve("three.dll", FakeInternet::Ok("new 3"));
    MainF& f = ReadyForFiles({"one.dll", "two.dll", "three.dll"});
    Install("one.dll", "old 1");
    Install("two.dll", "old 2");
    Install("three.dll", "old 3");
    const auto before = ProgramFiles();
    updateFiles.failCopyTo.insert(App("two.dll"));
    f.NextCmd_Click();
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "one.dll - [完成]", "two.dll - [安装失败]", "three.dll - [完成]",
                         "已恢复原有文件,本机程序未作改动。", "系统在线升级 - [不成功！]"}));
    EXPECT_EQ(ProgramFiles(), before);
    ExpectNotSuccessful(f);
}

TEST_F(MainFFilesTest, NewFileIsRemovedAgainWhenALaterCopyFails) {
    Serve("fresh.dll", FakeInternet::Ok("F"));
    Serve("locked.dll", FakeInternet::Ok("L"));
    MainF& f = ReadyForFiles({"fresh.dll", "locked.dll"});
    Install("locked.dll", "old");
    updateFiles.failMoveFrom.insert(App("locked.dll"));  // in use: cannot even be renamed
    f.NextCmd_Click();
    EXPECT_EQ(ProgramFiles(), (std::map<std::string, std::string>{{"locked.dll", "old"}}));
    ExpectNotSuccessful(f);
}

TEST_F(MainFFilesTest, FailedTransfersInstallNothing) {
    struct Case {
        const char* name;
        FakeHttpResponse second;
        const char* entry;
    };
    FakeHttpResponse truncated = FakeInternet::Ok("new 2");
    truncated.headers = FakeInternet::RawHeaders({"HTTP/1.1 200 OK", "Content-Length: 5000"});
    FakeHttpResponse reset = FakeInternet::Ok(std::string(3000, 'x'));
    reset.failAt = 2048;
    FakeHttpResponse refused;
    refused.refuse = true;
    const Case cases[] = {
        {"404 page", Status(404, "<html>not found</html>"), "two.dll - [下载失败,服务器返回 404]"},
        {"server error", Status(500, "oops"), "two.dll - [下载失败,服务器返回 500]"},
        {"body shorter than declared", truncated, "two.dll - [下载不完整]"},
        {"connection reset", reset, "two.dll - [下载不完整]"},
        {"connection refused", refused, "two.dll - [连接失败]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        launcher.launched.clear();
        files.clear();
        Serve("one.dll", FakeInternet::Ok("new 1"));
        Serve("two.dll", c.second);
        Serve("three.dll", FakeInternet::Ok("new 3"));
        MainF& f = ReadyForFiles({"one.dll", "two.dll", "three.dll"});
        Install("one.dll", "old 1");
        Install("two.dll", "old 2");
        const auto before = ProgramFiles();
        f.NextCmd_Click();
        EXPECT_EQ(Log(),
                  (std::vector<std::string>{"one.dll - [完成]", c.entry, "three.dll - [等待]",
                                            "系统在线升级 - [不成功！]"}));
        EXPECT_EQ(internet.urls.size(), 2u);  // the third file is never asked for
        EXPECT_EQ(ProgramFiles(), before);
        EXPECT_EQ(internet.OpenHandles(), 0);
        ExpectNotSuccessful(f);
    }
}

TEST_F(MainFFilesTest, DuplicateNameStopsTheChain) {
    Serve("a.dll", FakeInternet::Ok("new"));
    MainF& f = ReadyForFiles({"a.dll", "a.dll"});
    Install("a.dll", "old");
    f.NextCmd_Click();
    EXPECT_EQ(Log(), (std::vector<std::string>{"a.dll - [完成]", "a.dll - [保存失败]",
                                               "系统在线升级 - [不成功！]"}));
    EXPECT_EQ(ProgramFiles(), (std::map<std::string, std::string>{{"a.dll", "old"}}));
    ExpectNotSuccessful(f);
}

TEST_F(MainFFilesTest, UnsafeNamesAreRefusedBeforeAnyTransfer) {
    for (const char* bad :
         {"..\\evil.dll", "sub\\..\\..\\evil.dll", "C:\\Windows\\evil.dll", "C:evil.dll",
          "\\\\host\\share\\evil.dll", "\\evil.dll", "/etc/evil", "sub/../../evil", ""}) {
        SCOPED_TRACE(bad);
        launcher.launched.clear();
        files.clear();
        Serve("a.dll", FakeInternet::Ok("new"));
        MainF& f = ReadyForFiles({"a.dll", bad});
        f.NextCmd_Click();
        EXPECT_TRUE(internet.urls.empty());
        EXPECT_EQ(Log(), (std::vector<std::string>{"a.dll - [等待]",
                                                   std::string(bad) + " - [文件名不安全,已拒绝]",
                                                   "系统在线升级 - [不成功！]"}));
        EXPECT_TRUE(ProgramFiles().empty());
        ExpectNotSuccessful(f);
    }
}

TEST_F(MainFFilesTest, NamesInSubFoldersGoToTheSameSubFolders) {
    Serve("data/words.dat", FakeInternet::Ok("W"));
    Serve("pics/logo.bmp", FakeInternet::Ok("L"));
    MainF& f = ReadyForFiles({"data\\words.dat", "pics/logo.bmp"});
    f.NextCmd_Click();
    EXPECT_EQ(internet.urls, (std::vector<std::string>{"http://srv/update/data/words.dat",
                                                       "http://srv/update/pics/logo.bmp"}));
    EXPECT_EQ(ProgramFiles(), (std::map<std::string, std::string>{{"data\\words.dat", "W"},
                                                                  {"pics\\logo.bmp", "L"}}));
    EXPECT_EQ(updateFiles.folders.count(App("data")), 1u);
    EXPECT_EQ(updateFiles.folders.count(Work("pics")), 1u);
    EXPECT_EQ(Log().back(), "系统在线升级 - [已完成]");
}

TEST_F(MainFFilesTest, NoFilesListedFetchesNothing) {
    for (const char* count : {"0", "-2", ""}) {
        SCOPED_TRACE(count);
        launcher.launched.clear();
        LocalSettings s;
        s.fileNum = count;
        WriteSettings(s);
        ServeInfo("Quorvex_Soft_qvxUpgraded", "2", "5");
        MainF& f = ThroughInfoFile();
        internet.urls.clear();
        f.NextCmd_Click();
        EXPECT_TRUE(internet.urls.empty());
        EXPECT_EQ(Log(), (std::vector<std::string>{"升级文件列表为空,没有可下载的文件。",
                                                   "系统在线升级 - [不成功！]"}));
        ExpectNotSuccessful(f);
    }
}

TEST_F(MainFFilesTest, RunningUpdaterIsMovedAsideAndReplaced) {
    Serve("qvxUpgraded.exe", FakeInternet::Ok("new updater"));
    Serve("quorvex.exe", FakeInternet::Ok("new main"));
    MainF& f = ReadyForFiles({"qvxUpgraded.exe", "quorvex.exe"});
    Install("qvxUpgraded.exe", "running updater");
    Install("quorvex.exe", "old main");
    updateFiles.running.insert(App("qvxUpgraded.exe"));
    f.NextCmd_Click();
    EXPECT_EQ(Log().back(), "系统在线升级 - [已完成]");
    const auto now = ProgramFiles();
    EXPECT_EQ(now.at("qvxUpgraded.exe"), "new updater");
    EXPECT_EQ(now.at("quorvex.exe"), "new main");
    // The running file cannot be deleted; it stays aside under its backup name.
    EXPECT_EQ(now.at("qvxUpgraded.exe.qvxold"), "running updater");
    EXPECT_EQ(now.count("quorvex.exe.qvxold"), 0u);
    // The next start of the updater, no longer running from it, removes it.
    updateFiles.running.clear();
    Load();
    EXPECT_EQ(ProgramFiles().count("qvxUpgraded.exe.qvxold"), 0u);
}

TEST_F(MainFFilesTest, RunningUpdaterReturnsWhenTheInstallationRollsBack) {
    Serve("qvxUpgraded.exe", FakeInternet::Ok("new updater"));
    Serve("quorvex.exe", FakeInternet::Ok("new main"));
    MainF& f = ReadyForFiles({"qvxUpgraded.exe", "quorvex.exe"});
    Install("qvxUpgraded.exe", "running updater");
    Install("quorvex.exe", "old main");
    updateFiles.running.insert(App("qvxUpgraded.exe"));
    const auto before = ProgramFiles();
    updateFiles.failCopyTo.insert(App("quorvex.exe"));
    f.NextCmd_Click();
    EXPECT_EQ(ProgramFiles(), before);
    EXPECT_EQ(updateFiles.running.count(App("qvxUpgraded.exe")), 1u);
    ExpectNotSuccessful(f);
}

TEST_F(MainFFilesTest, ExitDuringTheTransfersEndsWithoutInstalling) {
    Serve("a.dll", FakeInternet::Ok("A"));
    Serve("b.dll", FakeInternet::Ok("B"));
    MainF& f = ReadyForFiles({"a.dll", "b.dll"});
    Install("a.dll", "old");
    pump.onEvents = [&](int) {
        if (form->View().ListM.items[0] == "a.dll - [正在下载]") {
            form->Exit_Click();
        }
    };
    f.NextCmd_Click();
    EXPECT_TRUE(f.Ended());
    EXPECT_EQ(ProgramFiles().at("a.dll"), "old");
    EXPECT_TRUE(launcher.launched.empty());
}

}  // namespace
}  // namespace qvx::updater
