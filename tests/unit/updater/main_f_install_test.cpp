#include "tests/unit/updater/main_f_fixture.h"
#include "updater/file_install.h"

namespace qvx::updater {
namespace {

using fakes::FakeInternet;
using fakes::FakeUpdateFiles;

class MainFInstallTest : public MainFTest {
protected:
    // Three files of which two replace installed ones and one is new; the running updater is one.
    MainF& ReadyToInstall() {
        Serve("qvxUpgraded.exe", FakeInternet::Ok("new updater"));
        Serve("quorvex.exe", FakeInternet::Ok("new main"));
        Serve("data/new.dat", FakeInternet::Ok("new data"));
        LocalSettings s;
        s.fileNum = "3";
        s.fileList = "File1=qvxUpgraded.exe\nFile2=quorvex.exe\nFile3=data\\new.dat\n";
        WriteSettings(s);
        ServeInfo("Quorvex_Soft_qvxUpgraded", "2", "5");
        files[App("qvxUpgraded.exe")] = "old updater";
        files[App("quorvex.exe")] = "old main";
        updateFiles.running.insert(App("qvxUpgraded.exe"));
        MainF& f = ThroughInfoFile();
        EXPECT_EQ(f.Phase(), 2);
        return f;
    }
    const std::map<std::string, std::string> kOld = {{"qvxUpgraded.exe", "old updater"},
                                                     {"quorvex.exe", "old main"}};
};

// The power fails after every possible number of renames and copies; the next start of the
// updater finds the program folder as it was before the install, whole.
TEST_F(MainFInstallTest, InstallCutShortAnywhereIsUndoneByTheNextStart) {
    int completeAt = -1;
    for (int cut = 0; completeAt < 0; ++cut) {
        SCOPED_TRACE("power cut after " + std::to_string(cut) + " changes");
        ASSERT_LT(cut, 20);
        files.clear();
        updateFiles.running.clear();
        updateFiles.powerCutAfter.reset();
        MainF& f = ReadyToInstall();
        updateFiles.changes = 0;
        updateFiles.powerCutAfter = cut;
        bool cutShort = false;
        try {
            f.NextCmd_Click();
        } catch (const FakeUpdateFiles::PowerCut&) {
            cutShort = true;
        }
        if (!cutShort) {
            completeAt = cut;  // every change fitted: the update is simply done
            EXPECT_EQ(Log().back(), "系统在线升级 - [已完成]");
            break;
        }
        EXPECT_TRUE(files.count(Work("install.journal")));
        // The machine comes back; nothing runs from the program folder any more.
        form.reset();
        updateFiles.running.clear();
        updateFiles.powerCutAfter.reset();
        MainF& next = Load();
        EXPECT_FALSE(next.Ended());
        EXPECT_EQ(ProgramFiles(), kOld);
        EXPECT_FALSE(files.count(Work("install.journal")));
    }
    EXPECT_EQ(completeAt, 5);  // two renames and three copies
}

TEST_F(MainFInstallTest, UndoneByTheNextStartEvenWhenTheNewUpdaterRunsIt) {
    MainF& f = ReadyToInstall();
    updateFiles.changes = 0;
    updateFiles.powerCutAfter = 4;  // both programs replaced, the new data file not yet there
    EXPECT_THROW(f.NextCmd_Click(), FakeUpdateFiles::PowerCut);
    form.reset();
    updateFiles.powerCutAfter.reset();
    updateFiles.running = {App("qvxUpgraded.exe")};  // the new updater is what the user starts
    Load();
    const auto now = ProgramFiles();
    EXPECT_EQ(now.at("qvxUpgraded.exe"), "old updater");
    EXPECT_EQ(now.at("quorvex.exe"), "old main");
    EXPECT_EQ(now.at("qvxUpgraded.exe.qvxdel"), "new updater");  // running: set aside
    EXPECT_EQ(now.size(), 3u);
    // Once it no longer runs, the next start removes it.
    form.reset();
    updateFiles.running.clear();
    Load();
    EXPECT_EQ(ProgramFiles(), kOld);
}

TEST_F(MainFInstallTest, JournalThatCannotBeWrittenInstallsNothing) {
    MainF& f = ReadyToInstall();
    updateFiles.failWrite.insert(Work("install.journal"));
    f.NextCmd_Click();
    EXPECT_EQ(ProgramFiles(), kOld);
    EXPECT_EQ(Log()[0], "qvxUpgraded.exe - [安装失败]");
    EXPECT_EQ(Log().back(), "系统在线升级 - [不成功！]");
}

TEST_F(MainFInstallTest, StartUpReadsTheJournalWithCare) {
    struct Case {
        const char* name;
        std::string journal;
        std::map<std::string, std::string> before;
        std::map<std::string, std::string> after;
    };
    const Case cases[] = {
        {"cut short before the end line: nothing was touched yet",
         "quorvex-install 1\nold quorvex.exe\n",
         {{"quorvex.exe", "old main"}, {"quorvex.exe.qvxold", "stale"}},
         {{"quorvex.exe", "old main"}, {"quorvex.exe.qvxold", "stale"}}},
        {"a name that leaves the program folder is skipped",
         "quorvex-install 1\nnew ..\\outside.dll\nold quorvex.exe\nend\n",
         {{"quorvex.exe", "half"}, {"quorvex.exe.qvxold", "old main"}},
         {{"quorvex.exe", "old main"}}},
        {"a new file is removed, a never renamed one stays",
         "quorvex-install 1\nold quorvex.exe\nnew data\\new.dat\nend\n",
         {{"quorvex.exe", "old main"}, {"data\\new.dat", "new data"}},
         {{"quorvex.exe", "old main"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.clear();
        WriteSettings({});
        for (const auto& [name, bytes] : c.before) {
            files[App(name)] = bytes;
        }
        files[App("..\\outside.dll")] = "not ours";
        files[Work("install.journal")] = c.journal;
        MainF& f = Load();
        EXPECT_FALSE(f.Ended());
        auto now = ProgramFiles();
        EXPECT_EQ(now.erase("..\\outside.dll"), 1u);
        EXPECT_EQ(now, c.after);
        EXPECT_FALSE(files.count(Work("install.journal")));
    }
}

TEST_F(MainFInstallTest, FileThatCannotBePutBackKeepsTheJournalAndEnds) {
    WriteSettings({});
    files[App("quorvex.exe")] = "new main";
    files[App("quorvex.exe.qvxold")] = "old main";
    files[Work("install.journal")] = "quorvex-install 1\nold quorvex.exe\nend\n";
    updateFiles.failMoveFrom.insert(App("quorvex.exe.qvxold"));
    MainF& f = Load();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, updlib::MessageIcon::Error);
    EXPECT_TRUE(f.Ended());
    EXPECT_TRUE(files.count(Work("install.journal")));
    EXPECT_EQ(files[App("quorvex.exe.qvxold")], "old main");
    // Once the file can be moved, the next start completes the recovery.
    updateFiles.failMoveFrom.clear();
    messages.shown.clear();
    MainF& next = Load();
    EXPECT_FALSE(next.Ended());
    EXPECT_EQ(ProgramFiles(), (std::map<std::string, std::string>{{"quorvex.exe", "old main"}}));
}

}  // namespace
}  // namespace qvx::updater
