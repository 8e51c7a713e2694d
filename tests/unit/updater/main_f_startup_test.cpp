#include "tests/unit/updater/main_f_fixture.h"

namespace qvx::updater {
namespace {

using updlib::MessageIcon;

TEST_F(MainFTest, MissingSettingsFileOpensTheWebsiteAndEnds) {
    MainF& f = Load();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "本机升级信息文件不存在！\r\n\r\n请至官网重新下载本程序。");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    ASSERT_EQ(launcher.launched.size(), 1u);
    EXPECT_EQ(launcher.launched[0].commandLine, "Explorer http://www.quorvex.com");
    EXPECT_EQ(launcher.launched[0].show, ShowState::MinimizedFocus);
    EXPECT_TRUE(f.Ended());
    EXPECT_EQ(host.ends, 1);
    EXPECT_TRUE(f.View().ListM.items.empty());
    // The steps before the test ran: work folder, topmost, download object.
    EXPECT_EQ(updateFiles.folders.count(App("qvxUpgraded")), 1u);
    ASSERT_EQ(windows.placements.size(), 1u);
    EXPECT_EQ(windows.placements[0].window, 0x4711u);
    EXPECT_EQ(windows.placements[0].insertAfter, static_cast<updlib::WindowHandle>(-1));
    EXPECT_EQ(windows.placements[0].flags, 0x0003u);  // SWP_NOSIZE | SWP_NOMOVE
    EXPECT_NE(f.DownFile(), nullptr);
}

TEST_F(MainFTest, ExistingWorkFolderIsNotCreatedAgain) {
    updateFiles.folders.insert(App("qvxUpgraded"));
    WriteSettings({});
    Load();
    EXPECT_TRUE(updateFiles.created.empty());
}

TEST_F(MainFTest, NothingAllowedHandsOverToTheSettingsProgram) {
    struct Case {
        bool wqPresent;
        std::vector<std::string> launched;
    };
    const Case cases[] = {{false, {}}, {true, {"C:\\Tools\\WQ.EXE  -updopt"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wqPresent);
        messages.shown.clear();
        launcher.launched.clear();
        LocalSettings s;
        s.updexe = 0;
        s.upddic = 0;
        WriteSettings(s);
        if (c.wqPresent) {
            fs.AddFile(App("WQ.EXE"), "MZ");
        }
        MainF& f = Load();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "没有任何允许更新的内容！\r\n\r\n请检查相关设定。");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
        std::vector<std::string> launched;
        for (const auto& l : launcher.launched) {
            launched.push_back(l.commandLine);
            EXPECT_EQ(l.show, ShowState::MinimizedFocus);
        }
        EXPECT_EQ(launched, c.launched);
        EXPECT_TRUE(f.Ended());
        EXPECT_TRUE(f.View().ListM.items.empty());
        EXPECT_TRUE(sockets.lookups.empty());
    }
}

TEST_F(MainFTest, OneKindOfUpdateAllowedIsEnough) {
    for (auto [exe, dic] : {std::pair{1, 0}, std::pair{0, 1}}) {
        LocalSettings s;
        s.updexe = exe;
        s.upddic = dic;
        WriteSettings(s);
        MainF& f = Load();
        EXPECT_FALSE(f.Ended());
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(MainFTest, ServerEntriesByNameAndHost) {
    struct Case {
        const char* section;  // lines of [Server] for server 1
        const char* entry;
        bool nextEnabled;  // after the entry has been selected
    };
    const Case cases[] = {
        {"Ser1=Local\nSerHost1=127.0.0.1\n", "Local  [5毫秒]", true},
        {"SerHost1=localhost\n", "(无效服务器)  [5毫秒]", true},
        {"Ser1=Local\nSerHost1=no.such.host\n", "Local(无效服务器)", false},
        {"Ser1=Local\n", "Local(无效服务器)", false},
        {"SerHost1=no.such.host\n", "(无效服务器)", false},
        {"Ser1=\nSerHost1=127.0.0.1\n", "  [5毫秒]", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section);
        LocalSettings s;
        s.serverSection = c.section;
        WriteSettings(s);
        MainF& f = Load();
        ASSERT_EQ(f.View().ListM.items.size(), 1u);
        EXPECT_EQ(f.View().ListM.items[0], c.entry);
        EXPECT_TRUE(f.View().ListM.enabled);
        EXPECT_EQ(f.View().TipLab.caption, "服务器列表更新完毕,请继续 ...");
        f.SetListIndex(0);
        EXPECT_EQ(f.View().NextCmd.enabled, c.nextEnabled);
    }
}

TEST_F(MainFTest, NoServersMeansNoMeasurement) {
    for (const char* servers : {"SerNum=0\n", ""}) {
        LocalSettings s;
        s.servers = servers;
        WriteSettings(s);
        MainF& f = Load();
        EXPECT_TRUE(f.View().ListM.items.empty());
        EXPECT_TRUE(sockets.lookups.empty());
        EXPECT_TRUE(sockets.echoAddresses.empty());
        EXPECT_FALSE(f.View().NextCmd.enabled);
        EXPECT_EQ(f.View().TipLab.caption, "服务器列表更新完毕,请继续 ...");
    }
}

TEST_F(MainFTest, LongServerNameIsCutTo19Bytes) {
    LocalSettings s;
    s.serverSection = "Ser1=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123\nSerHost1=no.such.host\n";
    WriteSettings(s);
    MainF& f = Load();
    EXPECT_EQ(f.View().ListM.items[0], "ABCDEFGHIJKLMNOPQRS(无效服务器)");
}

TEST_F(MainFTest, ListIsShownDisabledBeforeTheServersAreTimed) {
    LocalSettings s;
    s.servers = "SerNum=2\n";
    s.serverSection = "Ser1=A\nSerHost1=127.0.0.1\nSer2=B\nSerHost2=localhost\n";
    WriteSettings(s);
    std::vector<std::string> atShow;
    bool enabledAtShow = true;
    host.onDoEvents = [&] {
        atShow = form->View().ListM.items;
        enabledAtShow = form->View().ListM.enabled;
    };
    MainF& f = Load();
    EXPECT_EQ(host.shows, 1);
    EXPECT_EQ(atShow, (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(enabledAtShow);
    EXPECT_TRUE(sockets.echoAddresses.size() == 2u);
    EXPECT_EQ(f.View().ListM.items, (std::vector<std::string>{"A  [5毫秒]", "B  [5毫秒]"}));
    // The selection ends on the last server that resolved.
    EXPECT_EQ(f.View().ListM.listIndex, 1);
    EXPECT_TRUE(f.View().NextCmd.enabled);
}

TEST_F(MainFTest, SelectionEndsOnTheLastResolvableServer) {
    LocalSettings s;
    s.servers = "SerNum=3\n";
    s.serverSection =
        "Ser1=A\nSerHost1=127.0.0.1\nSer2=B\nSerHost2=localhost\nSer3=C\nSerHost3=bad\n";
    WriteSettings(s);
    MainF& f = Load();
    EXPECT_EQ(f.View().ListM.listIndex, 1);
    EXPECT_TRUE(f.View().NextCmd.enabled);
    f.SetListIndex(2);  // "C(无效服务器)"
    EXPECT_FALSE(f.View().NextCmd.enabled);
    f.SetListIndex(0);
    EXPECT_TRUE(f.View().NextCmd.enabled);
}

TEST_F(MainFTest, DrawProcFillsInScaleUnits) {
    MainF& f = Make();
    auto& bar = f.View().ProcM;
    bar.scaleWidth = 1000;
    bar.scaleHeight = 100;
    struct Case {
        int value;
        std::vector<double> rightEdges;  // of the rectangles filled by this call
    };
    const Case cases[] = {{50, {498}}, {100, {998, 998}}, {1, {8}}, {120, {998, 1198}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        f.DrawProc(0);
        EXPECT_TRUE(bar.fills.empty());
        f.DrawProc(c.value);
        ASSERT_EQ(bar.fills.size(), c.rightEdges.size());
        for (std::size_t i = 0; i < bar.fills.size(); ++i) {
            EXPECT_DOUBLE_EQ(bar.fills[i].x1, 1);
            EXPECT_DOUBLE_EQ(bar.fills[i].y1, 1);
            EXPECT_DOUBLE_EQ(bar.fills[i].x2, c.rightEdges[i]);
            EXPECT_DOUBLE_EQ(bar.fills[i].y2, 98);
        }
    }
    // Without clearing, the bar keeps what was drawn.
    f.DrawProc(0);
    f.DrawProc(30);
    f.DrawProc(60);
    EXPECT_EQ(bar.fills.size(), 2u);
    EXPECT_EQ(bar.fillColor, 0x00984E00u);  // RGB(0, 78, 152)
}

TEST_F(MainFTest, WindowStartsWithItsDesignCaptions) {
    const auto& v = Make().View();
    EXPECT_EQ(v.title, "Quorvex系统在线升级......");
    EXPECT_EQ(v.clientWidth, 6375);
    EXPECT_EQ(v.clientHeight, 3855);
    EXPECT_EQ(v.TopLab.caption, "选择服务器：");
    EXPECT_EQ(v.TipLab.caption, "正在测试服务器速度...");
    EXPECT_EQ(v.NextCmd.caption, "下一步");
    EXPECT_EQ(v.Exit.caption, "退出程序");
    EXPECT_EQ(v.ProcM.rect.left, v.TipLab.rect.left);
    EXPECT_EQ(v.ProcM.rect.top, v.TipLab.rect.top);
    EXPECT_EQ(v.NextCmd.rect.left, 4920);
    EXPECT_EQ(v.Exit.rect.top, 3240);
}

TEST_F(MainFTest, ExitEndsAtOnceWithoutStartingTheProgram) {
    WriteSettings({});
    MainF& f = Load();
    f.Exit_Click();
    EXPECT_TRUE(f.Ended());
    EXPECT_TRUE(launcher.launched.empty());
}

}  // namespace
}  // namespace qvx::updater
