#include "tests/unit/updater/main_f_fixture.h"
#include "updater/signed_update.h"

namespace qvx::updater {
namespace {

using fakes::FakeHttpResponse;
using fakes::FakeInternet;

using updlib::MessageIcon;

constexpr const char* kSignatureRefused =
    "升级信息文件签名无效！\r\n\r\n为保证安全，本次不会下载任何文件。";
constexpr const char* kInfoUrl = "http://srv/update/qvxUpgraded.ini";
constexpr const char* kSignatureUrl = "http://srv/update/qvxUpgraded.ini.sig";

class MainFSignedTest : public MainFTest {
public:
    MainF& ThroughFiles() {
        MainF& f = ThroughInfoFile();
        EXPECT_EQ(f.Phase(), 2);
        internet.urls.clear();
        f.NextCmd_Click();
        return f;
    }
    FakeHttpResponse& Response(const std::string& url) { return internet.responses[url]; }
};

TEST_F(MainFSignedTest, OnlyTheInformationFileThePublisherSignedIsRead) {
    struct Case {
        const char* name;
        std::function<void(MainFSignedTest&)> arrange;
        bool genuine;
    };
    const Case cases[] = {
        {"signed by the publisher", [](MainFSignedTest&) {}, true},
        {"signature missing (404)",
         [](MainFSignedTest& t) { t.Response(kSignatureUrl) = Status(404, "not found"); }, false},
        {"signature server gone",
         [](MainFSignedTest& t) { t.Response(kSignatureUrl).refuse = true; }, false},
        {"signature one byte short",
         [](MainFSignedTest& t) {
             std::string& sig = t.Response(kSignatureUrl).body;
             t.Response(kSignatureUrl) = FakeInternet::Ok(sig.substr(0, 63));
         },
         false},
        {"signature in DER form",
         [](MainFSignedTest& t) {
             const std::string sig = t.Response(kSignatureUrl).body;
             t.Response(kSignatureUrl) = FakeInternet::Ok("\x30\x44\x02\x20" + sig.substr(0, 32) +
                                                          "\x02\x20" + sig.substr(32));
         },
         false},
        {"signed by another key",
         [](MainFSignedTest& t) {
             const std::string& info = t.Response(kInfoUrl).body;
             t.Response(kSignatureUrl) =
                 FakeInternet::Ok(qvx::signing::SigningKey::Generate().Sign(info));
         },
         false},
        {"information file changed after signing",
         [](MainFSignedTest& t) {
             std::string info = t.Response(kInfoUrl).body;
             info.replace(info.find("ExeVerM=2"), 9, "ExeVerM=9");
             t.Response(kInfoUrl) = FakeInternet::Ok(info);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        internet.urls.clear();
        files.clear();
        Offer({"a.dll"});
        c.arrange(*this);
        MainF& f = ThroughInfoFile();
        EXPECT_EQ(internet.urls, (std::vector<std::string>{kInfoUrl, kSignatureUrl}));
        if (c.genuine) {
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(f.Phase(), 2);
            continue;
        }
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, kSignatureRefused);
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
        EXPECT_EQ(Log(), (std::vector<std::string>{"升级信息文件 [下载完毕]",
                                                   "升级信息文件签名无效,已停止升级。"}));
        // The dead end of a failed check: only Exit is left, and nothing is ever fetched.
        EXPECT_EQ(f.Phase(), 1);
        EXPECT_FALSE(f.View().NextCmd.enabled);
        EXPECT_TRUE(f.View().ProcM.visible);
        EXPECT_FALSE(f.Ended());
        f.NextCmd_Click();
        EXPECT_EQ(internet.urls.size(), 2u);
        EXPECT_TRUE(ProgramFiles().empty());
    }
}

// The marker and versions come from the bytes whose signature held: a file replaced on disk right
// after the check (another process, a second download) changes nothing that is judged.
TEST_F(MainFSignedTest, TheInformationFileIsJudgedFromTheVerifiedBytesOnly) {
    Offer({"a.dll"});
    trust.afterVerify = [this] {
        for (auto& [path, bytes] : files) {
            if (path.ends_with("\\qvxUpgraded\\qvxUpgraded.ini")) {
                bytes = "[Info]\r\nInfoStr=Forged\r\nExeVerM=99\r\nExeVerZ=99\r\n";
            }
        }
    };
    MainF& f = ThroughInfoFile();
    EXPECT_TRUE(messages.shown.empty()) << (Shown().empty() ? "" : Shown()[0]);
    const std::vector<std::string>& log = Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "服务器程序最新版本为 : 2"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "服务器词条最新版本为 : 5"), log.end());
    EXPECT_EQ(f.Phase(), 2);
}

TEST_F(MainFSignedTest, AReplayedOlderSignedFileOffersNothing) {
    LocalSettings s;
    s.exeVerM = "3";
    s.exeVerZ = "7";
    WriteSettings(s);
    ServeInfo("Quorvex_Soft_qvxUpgraded", "2", "6");  // genuinely signed, but an older release
    MainF& f = ThroughInfoFile();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(f.View().TipLab.caption, "程序为最新,不需要升级！");
    EXPECT_EQ(f.View().NextCmd.caption, "关 闭");
    EXPECT_EQ(f.Phase(), 1);
}

TEST_F(MainFSignedTest, OversizedInformationFileOrSignatureIsCutOff) {
    const std::string huge(kMaxInfoFileBytes + 10 * 1024, ';');
    for (const bool signature : {false, true}) {
        SCOPED_TRACE(signature ? "signature" : "information file");
        messages.shown.clear();
        files.clear();
        Offer({"a.dll"});
        if (signature) {
            Response(kSignatureUrl) = FakeInternet::Ok(huge);
        } else {
            Serve("qvxUpgraded.ini",
                  FakeInternet::Ok(InfoFile("Quorvex_Soft_qvxUpgraded", "2", "5") + huge));
        }
        const int readsBefore = internet.reads;
        MainF& f = ThroughInfoFile();
        // Stopped within one piece past the limit, not read to the end.
        EXPECT_LE(internet.reads - readsBefore, 2 + static_cast<int>(kMaxInfoFileBytes / 1024) + 2);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  signature ? kSignatureRefused
                            : "升级信息文件下载失败！\r\n\r\n请更换一个服务器尝试重新连接。");
        EXPECT_NE(f.Phase(), 2);
    }
}

TEST_F(MainFSignedTest, EachFileMustBeWhatWasSigned) {
    struct Case {
        const char* name;
        std::function<void(MainFSignedTest&)> tamper;
    };
    const std::string good = "new b, as signed";
    const Case cases[] = {
        {"same size, other bytes",
         [](MainFSignedTest& t) {
             t.ServeUnsigned("b.dll", FakeInternet::Ok("new B, as signed"));
         }},
        {"shorter",
         [](MainFSignedTest& t) { t.ServeUnsigned("b.dll", FakeInternet::Ok("new b")); }},
        {"longer, same start",
         [](MainFSignedTest& t) {
             t.ServeUnsigned("b.dll",
                             FakeInternet::Ok("new b, as signed" + std::string(5000, 'x')));
         }},
        {"longer, no length declared",
         [](MainFSignedTest& t) {
             t.ServeUnsigned("b.dll",
                             FakeInternet::Ok("new b, as signed" + std::string(5000, 'x'), false));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.clear();
        signedFiles.clear();
        Serve("a.dll", FakeInternet::Ok("new a"));
        Serve("b.dll", FakeInternet::Ok(good));
        Serve("c.dll", FakeInternet::Ok("new c"));
        Offer({"a.dll", "b.dll", "c.dll"});
        files[App("a.dll")] = "old a";
        files[App("b.dll")] = "old b";
        c.tamper(*this);
        const int readsBefore = internet.reads;
        MainF& f = ThroughFiles();
        EXPECT_EQ(Log(), (std::vector<std::string>{"a.dll - [完成]", "b.dll - [校验失败]",
                                                   "c.dll - [等待]", "系统在线升级 - [不成功！]"}));
        // A body past its signed size is stopped at once: a piece or two, never all 5 KiB.
        EXPECT_LE(internet.reads - readsBefore, 6);
        EXPECT_EQ(ProgramFiles(),
                  (std::map<std::string, std::string>{{"a.dll", "old a"}, {"b.dll", "old b"}}));
        EXPECT_EQ(f.View().NextCmd.caption, "退出升级");
        EXPECT_EQ(f.Phase(), 3);
    }
}

TEST_F(MainFSignedTest, FileWithoutSignedEntryIsRefusedBeforeAnyTransfer) {
    Serve("a.dll", FakeInternet::Ok("new a"));
    ServeUnsigned("extra.dll", FakeInternet::Ok("from nowhere"));
    Offer({"a.dll", "extra.dll"});
    MainF& f = ThroughFiles();
    EXPECT_TRUE(internet.urls.empty());
    EXPECT_EQ(Log(),
              (std::vector<std::string>{"a.dll - [等待]", "extra.dll - [未经签名校验,已拒绝]",
                                        "系统在线升级 - [不成功！]"}));
    EXPECT_TRUE(ProgramFiles().empty());
    EXPECT_EQ(f.Phase(), 3);
}

TEST_F(MainFSignedTest, ListedInformationFileMustBeTheVerifiedOne) {
    for (const bool same : {true, false}) {
        SCOPED_TRACE(same ? "the same bytes" : "other bytes at the second fetch");
        files.clear();
        signedFiles.clear();
        Serve("a.dll", FakeInternet::Ok("new a"));
        Offer({"a.dll", "qvxUpgraded.ini"});
        MainF& f = ThroughInfoFile();
        ASSERT_EQ(f.Phase(), 2);
        const std::string verified = Response(kInfoUrl).body;
        if (!same) {
            Response(kInfoUrl).body += "[Server]\nSerUrl1=http://elsewhere\n";
        }
        f.NextCmd_Click();
        if (same) {
            EXPECT_EQ(Log().back(), "系统在线升级 - [已完成]");
            EXPECT_EQ(files[App("qvxUpgraded.ini")], verified);
        } else {
            EXPECT_EQ(Log()[1], "qvxUpgraded.ini - [校验失败]");
            EXPECT_NE(files[App("qvxUpgraded.ini")], Response(kInfoUrl).body);
        }
    }
}

TEST_F(MainFSignedTest, OverlongFileListIsRefusedUnread) {
    LocalSettings s;
    s.fileNum = std::to_string(kMaxFileCount + 1);
    WriteSettings(s);
    ServeInfo("Quorvex_Soft_qvxUpgraded", "2", "5");
    MainF& f = ThroughFiles();
    EXPECT_TRUE(internet.urls.empty());
    EXPECT_EQ(Log(), (std::vector<std::string>{"升级文件列表过长(超过 500 个文件),已拒绝。",
                                               "系统在线升级 - [不成功！]"}));
    EXPECT_EQ(f.Phase(), 3);
}

// Each transfer unwinds before the next begins: the stack at the last of a thousand files is
// where it was at the first.
TEST_F(MainFSignedTest, ALongListDoesNotDeepenTheStack) {
    std::vector<std::string> names;
    for (int k = 1; k <= kMaxFileCount; ++k) {
        // Built by appending: GCC 12 warns falsely (-Wrestrict) on "f" + std::to_string(k).
        const std::string number = std::to_string(k);
        names.push_back(std::string("f").append(number).append(".dat"));
        Serve(names.back(), FakeInternet::Ok(std::string("file ").append(number)));
    }
    Offer(names);
    std::uintptr_t lowest = UINTPTR_MAX;
    std::uintptr_t highest = 0;
    pump.onEvents = [&](int) {
        int marker = 0;
        const auto here = reinterpret_cast<std::uintptr_t>(&marker);
        lowest = std::min(lowest, here);
        highest = std::max(highest, here);
    };
    MainF& f = ThroughFiles();
    EXPECT_EQ(Log().back(), "系统在线升级 - [已完成]");
    EXPECT_EQ(internet.urls.size(), names.size());
    EXPECT_LT(highest - lowest, 64u * 1024u);
    EXPECT_EQ(f.Phase(), 3);
}

}  // namespace
}  // namespace qvx::updater
