#include <algorithm>

#include "tests/unit/updater/main_f_fixture.h"

namespace qvx::updater {
namespace {

using fakes::FakeHttpResponse;
using fakes::FakeInternet;

using updlib::MessageIcon;

const char* const kFetchFailed = "升级信息文件下载失败！\r\n\r\n请更换一个服务器尝试重新连接。";

TEST(MainFText, PercentInItsShortestForm) {
    EXPECT_EQ(FormatPercent(50), "50");
    EXPECT_EQ(FormatPercent(12.5), "12.5");
    EXPECT_EQ(FormatPercent(1024.0 / 3072 * 100), "33.3333333333333");
    EXPECT_EQ(FormatPercent(2048.0 / 3072 * 100), "66.6666666666667");
    EXPECT_EQ(FormatPercent(0), "0");
}

TEST(MainFText, VersionsThatAreNumbers) {
    struct Case {
        const char* text;
        bool number;
        double value;
    };
    const Case cases[] = {{"2", true, 2},      {"1.5", true, 1.5}, {" 3 ", true, 3},
                          {"Error", false, 0}, {"", false, 0},     {"1.5a", false, 0},
                          {"inf", false, 0},   {"nan", false, 0},  {"0x10", false, 0},
                          {"-1", true, -1},    {"1e9", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        double value = -99;
        EXPECT_EQ(ParseVersion(c.text, value), c.number);
        if (c.number) {
            EXPECT_DOUBLE_EQ(value, c.value);
        }
    }
}

TEST_F(MainFTest, InformationFileIsFetchedFromTheChosenServer) {
    LocalSettings s;
    s.servers = "SerNum=2\n";
    s.serverSection =
        "Ser1=A\nSerHost1=127.0.0.1\nSerUrl1=http://one\nSer2=B\nSerHost2=127.0.0.1\n"
        "SerUrl2=http://srv/update\n";
    WriteSettings(s);
    ServeInfo("Quorvex_Soft_qvxUpgraded", "1", "5");
    files[Work("qvxUpgraded.ini")] = "stale";  // from an earlier run: removed first
    MainF& f = ThroughInfoFile();
    EXPECT_EQ(internet.urls, (std::vector<std::string>{"http://srv/update/qvxUpgraded.ini",
                                                       "http://srv/update/qvxUpgraded.ini.sig"}));
    EXPECT_EQ(files[Work("qvxUpgraded.ini")], InfoFile("Quorvex_Soft_qvxUpgraded", "1", "5"));
    EXPECT_EQ(wait.dueTimes, (std::vector<std::int64_t>{-2000000}));  // Sleep(200)
    EXPECT_EQ(f.View().TopLab.caption, "分析信息文件：");
    EXPECT_EQ(f.View().TipLab.caption, "程序为最新,不需要升级！");
    EXPECT_EQ(f.View().NextCmd.caption, "关 闭");
    EXPECT_TRUE(f.View().NextCmd.enabled);
    EXPECT_FALSE(f.View().ProcM.visible);
    EXPECT_EQ(f.Phase(), 1);
    EXPECT_EQ(Log(),
              (std::vector<std::string>{"升级信息文件 [下载完毕]", "正在分析升级信息文件 ...",
                                        "正在校验升级信息文件 ...", "升级信息文件校验成功 ...",
                                        "服务器程序最新版本为 : 1", "服务器词条最新版本为 : 5",
                                        "用户程序不需要更新。", "用户词条不需要更新。"}));
    // "关 闭" starts the main program and ends.
    f.NextCmd_Click();
    ASSERT_EQ(launcher.launched.size(), 1u);
    EXPECT_EQ(launcher.launched[0].commandLine, "quorvex.exe");
    EXPECT_EQ(launcher.launched[0].show, ShowState::NormalFocus);
    EXPECT_TRUE(f.Ended());
}

TEST_F(MainFTest, DecisionByOfferedAndInstalledVersions) {
    struct Case {
        const char* name;
        int updexe, upddic;
        const char* localM;
        const char* localZ;
        const char* serverM;
        const char* serverZ;
        std::vector<std::string> tail;  // log lines after "升级信息文件校验成功 ..."
        const char* hint;
        int phase;
        const char* caption;
    };
    const Case cases[] = {
        {"program newer only",
         1,
         1,
         "1",
         "5",
         "2",
         "5",
         {"服务器程序最新版本为 : 2", "服务器词条最新版本为 : 5", "用户程序有最新版本。",
          "用户词条不需要更新。"},
         "服务器有新版本的程序,请继续 ...",
         2,
         "下一步"},
        {"entries newer only",
         1,
         1,
         "1",
         "5",
         "1",
         "6",
         {"服务器程序最新版本为 : 1", "服务器词条最新版本为 : 6", "用户程序不需要更新。",
          "用户词条有最新版本。"},
         "服务器发现最新的词条,请继续 ...",
         2,
         "下一步"},
        {"both newer",
         1,
         1,
         "1",
         "5",
         "2",
         "6",
         {"服务器程序最新版本为 : 2", "服务器词条最新版本为 : 6", "用户程序有最新版本。",
          "用户词条有最新版本。"},
         "您的词条和程序都需要更新,请继续 ...",
         2,
         "下一步"},
        {"neither, server older",
         1,
         1,
         "3",
         "9",
         "2",
         "5",
         {"服务器程序最新版本为 : 2", "服务器词条最新版本为 : 5", "用户程序不需要更新。",
          "用户词条不需要更新。"},
         "程序为最新,不需要升级！",
         1,
         "关 闭"},
        {"updexe 0 hides the program line only",
         0,
         1,
         "1",
         "5",
         "2",
         "5",
         {"服务器词条最新版本为 : 5", "用户程序有最新版本。", "用户词条不需要更新。"},
         "服务器有新版本的程序,请继续 ...",
         2,
         "下一步"},
        {"upddic 0 hides the entries line only",
         1,
         0,
         "1",
         "5",
         "1",
         "6",
         {"服务器程序最新版本为 : 1", "用户程序不需要更新。", "用户词条有最新版本。"},
         "服务器发现最新的词条,请继续 ...",
         2,
         "下一步"},
        {"server 1.5 against installed 1",
         1,
         1,
         "1",
         "5",
         "1.5",
         "5",
         {"服务器程序最新版本为 : 1.5", "服务器词条最新版本为 : 5", "用户程序有最新版本。",
          "用户词条不需要更新。"},
         "服务器有新版本的程序,请继续 ...",
         2,
         "下一步"},
        {"installed 1.5 reads as 1",
         1,
         1,
         "1.5",
         "5",
         "1.2",
         "5",
         {"服务器程序最新版本为 : 1.2", "服务器词条最新版本为 : 5", "用户程序有最新版本。",
          "用户词条不需要更新。"},
         "服务器有新版本的程序,请继续 ...",
         2,
         "下一步"},
        {"versions that are no numbers are not newer",
         1,
         1,
         "1",
         "5",
         "abc",
         "",
         {"服务器程序最新版本为 : abc", "服务器词条最新版本为 : ", "用户程序不需要更新。",
          "用户词条不需要更新。"},
         "程序为最新,不需要升级！",
         1,
         "关 闭"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        LocalSettings s;
        s.updexe = c.updexe;
        s.upddic = c.upddic;
        s.exeVerM = c.localM;
        s.exeVerZ = c.localZ;
        WriteSettings(s);
        ServeInfo("Quorvex_Soft_qvxUpgraded", c.serverM, c.serverZ);
        MainF& f = ThroughInfoFile();
        ASSERT_GE(Log().size(), 4u);
        std::vector<std::string> tail(Log().begin() + 4, Log().end());
        EXPECT_EQ(tail, c.tail);
        EXPECT_EQ(f.View().TipLab.caption, c.hint);
        EXPECT_EQ(f.Phase(), c.phase);
        EXPECT_EQ(f.View().NextCmd.caption, c.caption);
        EXPECT_TRUE(f.View().NextCmd.enabled);
        EXPECT_FALSE(f.View().ProcM.visible);
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(MainFTest, MarkerMustMatchExactly) {
    for (const char* marker : {"quorvex_Soft_qvxUpgraded", "Quorvex_Soft_qvxUpgraded2", ""}) {
        SCOPED_TRACE(marker);
        messages.shown.clear();
        WriteSettings({});
        ServeInfo(marker, "9", "9");
        MainF& f = ThroughInfoFile();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "升级信息文件校验失败！\r\n\r\n信息文件下载可能出错。");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
        EXPECT_EQ(Log().back(), "正在校验升级信息文件 ...");
        EXPECT_EQ(f.Phase(), 1);
        EXPECT_FALSE(f.View().NextCmd.enabled);
        EXPECT_TRUE(f.View().ProcM.visible);
        EXPECT_FALSE(f.Ended());
        f.NextCmd_Click();                    // phase 1 with "下一步": nothing
        EXPECT_EQ(internet.urls.size(), 2u);  // the information file and its signature
        f.SetListIndex(0);                    // the selection handler acts in phase 0 only
        EXPECT_FALSE(f.View().NextCmd.enabled);
        internet.urls.clear();
    }
}

TEST_F(MainFTest, InformationFileThatDoesNotArriveEndsTheUpdater) {
    struct Case {
        const char* name;
        FakeHttpResponse response;
    };
    FakeHttpResponse refused;
    refused.refuse = true;
    FakeHttpResponse truncated = FakeInternet::Ok(InfoFile("Quorvex_Soft_qvxUpgraded", "2", "6"));
    truncated.headers = FakeInternet::RawHeaders({"HTTP/1.1 200 OK", "Content-Length: 4000"});
    FakeHttpResponse reset = FakeInternet::Ok(InfoFile("Quorvex_Soft_qvxUpgraded", "2", "6"));
    reset.failAt = 10;
    const Case cases[] = {
        {"connection refused", refused},
        {"404 page that even carries the marker",
         Status(404, InfoFile("Quorvex_Soft_qvxUpgraded", "2", "6"))},
        {"body shorter than declared", truncated},
        {"connection reset", reset},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        WriteSettings({});
        Serve("qvxUpgraded.ini", c.response);
        MainF& f = ThroughInfoFile();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, kFetchFailed);
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
        EXPECT_TRUE(f.Ended());
        EXPECT_EQ(f.Phase(), 1);
        EXPECT_NE(f.View().TopLab.caption, "分析信息文件：");
    }
}

TEST_F(MainFTest, MissingServerUrlKeepsPhaseZero) {
    LocalSettings s;
    s.serverSection = "Ser1=Local\nSerHost1=127.0.0.1\nSerUrl1=   \n";
    WriteSettings(s);
    MainF& f = ThroughInfoFile();
    EXPECT_EQ(Shown(), (std::vector<std::string>{"无法连接到服务器！"}));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(f.Phase(), 0);
    EXPECT_FALSE(f.View().NextCmd.enabled);
    EXPECT_EQ(f.View().TipLab.caption, "正在连接至更新服务器 ...");
    EXPECT_TRUE(internet.urls.empty());
    f.SetListIndex(0);  // selecting again makes the button usable
    EXPECT_TRUE(f.View().NextCmd.enabled);
}

TEST_F(MainFTest, MissingServerUrlKeyIsTriedAndFails) {
    LocalSettings s;
    s.serverSection = "Ser1=Local\nSerHost1=127.0.0.1\n";
    WriteSettings(s);
    MainF& f = ThroughInfoFile();
    EXPECT_EQ(internet.urls, (std::vector<std::string>{"Error/qvxUpgraded.ini"}));
    EXPECT_EQ(Shown(), (std::vector<std::string>{kFetchFailed}));
    EXPECT_TRUE(f.Ended());
}

TEST_F(MainFTest, ProgressLineAndBarFollowTheDeclaredLength) {
    WriteSettings({});
    std::string body = InfoFile("Quorvex_Soft_qvxUpgraded", "1", "5");
    body.resize(3072, ' ');
    Serve("qvxUpgraded.ini", FakeInternet::Ok(body));
    std::vector<std::string> lines;
    std::vector<double> barEdges;
    pump.onEvents = [&](int) {
        if (!form->View().ListM.items.empty() &&
            (lines.empty() || lines.back() != form->View().ListM.items[0])) {
            lines.push_back(form->View().ListM.items[0]);
            const auto& fills = form->View().ProcM.fills;
            barEdges.push_back(fills.empty() ? 0 : fills.back().x2);
        }
    };
    MainF& f = ThroughInfoFile();
    const double w = f.View().ProcM.scaleWidth;
    EXPECT_EQ(lines, (std::vector<std::string>{"升级信息文件 [下载中] ... 0%",
                                               "升级信息文件 [下载中] ... 33.3333333333333%",
                                               "升级信息文件 [下载中] ... 66.6666666666667%",
                                               "升级信息文件 [下载中] ... 100%"}));
    ASSERT_EQ(barEdges.size(), 4u);
    EXPECT_DOUBLE_EQ(barEdges[0], 0);
    EXPECT_DOUBLE_EQ(barEdges[1], w / 100 * 33 - 2);
    EXPECT_DOUBLE_EQ(barEdges[2], w / 100 * 67 - 2);
    EXPECT_DOUBLE_EQ(barEdges[3], w / 100 * 100 - 2);
    EXPECT_EQ(f.Phase(), 1);
}

TEST_F(MainFTest, ProgressWithoutLengthCountsBytesAndLeavesTheBar) {
    WriteSettings({});
    Serve("qvxUpgraded.ini",
          FakeInternet::Ok(InfoFile("Quorvex_Soft_qvxUpgraded", "2", "5"), false));
    std::vector<std::string> lines;
    pump.onEvents = [&](int) {
        if (!form->View().ListM.items.empty()) {
            lines.push_back(form->View().ListM.items[0]);
        }
    };
    MainF& f = ThroughInfoFile();
    const std::string size = std::to_string(InfoFile("Quorvex_Soft_qvxUpgraded", "2", "5").size());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "升级信息文件 [下载中] ... " + size + " 字节"),
              lines.end());
    EXPECT_TRUE(f.View().ProcM.fills.empty());
    EXPECT_EQ(f.Phase(), 2);
}

TEST_F(MainFTest, ExitDuringThePauseEndsBeforeTheDownload) {
    WriteSettings({});
    ServeInfo("Quorvex_Soft_qvxUpgraded", "2", "5");
    wait.onPump = [&] { form->Exit_Click(); };
    wait.outcomes = {updlib::WaitOutcome::Input, updlib::WaitOutcome::Timer};
    MainF& f = ThroughInfoFile();
    EXPECT_TRUE(f.Ended());
    EXPECT_TRUE(internet.urls.empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainFTest, OldInformationFileThatCannotBeRemovedLeavesTheWindowWaiting) {
    WriteSettings({});
    ServeInfo("Quorvex_Soft_qvxUpgraded", "2", "5");
    files[Work("qvxUpgraded.ini")] = "in use";
    updateFiles.running.insert(Work("qvxUpgraded.ini"));
    MainF& f = ThroughInfoFile();
    EXPECT_EQ(files[Work("qvxUpgraded.ini")], "in use");
    EXPECT_EQ(Log(), (std::vector<std::string>{"升级信息文件 [下载中] ... 0%"}));
    EXPECT_FALSE(f.View().NextCmd.enabled);
    EXPECT_EQ(f.Phase(), 1);
    EXPECT_FALSE(f.Ended());
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace qvx::updater
