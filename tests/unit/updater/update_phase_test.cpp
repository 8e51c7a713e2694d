// Each phase of the update alone, through its context: what the information-file phase hands
// over, and that the file phase works from what it was handed and nothing else.

#include "tests/unit/updater/main_f_fixture.h"
#include "updater/file_phase.h"
#include "updater/info_file_phase.h"

namespace qvx::updater {
namespace {

using fakes::FakeInternet;

// The window as a phase sees it: records the phases entered and what is handed over.
class RecordingPhaseHost : public UpdatePhaseHost {
public:
    std::vector<UpdatePhase> entered;
    std::vector<VerifiedUpdate> offers;
    int ends = 0;
    void ModelChanged() override {}
    void DrawProc(std::int32_t) override {}
    bool Ended() const override { return ends > 0; }
    void EndProgram() override { ++ends; }
    void EnterPhase(UpdatePhase phase) override { entered.push_back(phase); }
    void OfferFiles(VerifiedUpdate update) override { offers.push_back(std::move(update)); }
};

class UpdatePhaseTest : public MainFTest {
public:
    UpdatePhaseTest() {
        download.OnProgress = [this](long& value) { step->Progress(value); };
        download.WriteOver = [this] { step->WriteOver(); };
        download.DownloadOver = [this] { step->DownloadOver(); };
        download.LineError = [this] { step->LineError(); };
        download.WriteError = [this] { step->WriteError(); };
        download.TransferError = [this] { step->TransferError(); };
    }
    // The settings file as the window's start-up leaves the reader (its [Info] section), the
    // first server chosen.
    void UseSettings() {
        tro.IniPath = App("qvxUpgraded.ini");
        tro.IniPro = "Info";
        view.ListM.listIndex = 0;
    }
    UpdatePhaseContext Context() {
        return UpdatePhaseContext{view,  tro,  download, updateFiles,
                                  trust, text, messages, phaseHost};
    }

    MainFView view;
    updlib::trovapi tro{{profile, fs, wait, clock, windows, shell, text}};
    CStdDown download{internet, downloadFiles, pump};
    RecordingPhaseHost phaseHost;
    UpdatePhaseStep* step = nullptr;
};

TEST_F(UpdatePhaseTest, InformationFilePhaseHandsOverOnlyWhatItVerified) {
    struct Case {
        const char* name;
        const char* exeVerM;  // offered program version (installed: 1)
        bool tampered;        // the information file changed after signing
        bool offered;
    };
    const Case cases[] = {
        {"newer program, signed", "2", false, true},
        {"nothing newer", "1", false, false},
        {"newer program, changed after signing", "2", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.clear();
        phaseHost.offers.clear();
        phaseHost.entered.clear();
        Serve("a.dll", FakeInternet::Ok("bytes of a"));
        Offer({"a.dll"});
        ServeInfo("Quorvex_Soft_qvxUpgraded", c.exeVerM, "5");
        const std::string served = internet.responses[std::string(kUrl) + "qvxUpgraded.ini"].body;
        if (c.tampered) {
            internet.responses[std::string(kUrl) + "qvxUpgraded.ini"] =
                FakeInternet::Ok(served + "\n");
        }
        UseSettings();
        InfoFilePhase phase(Context(), true, true);
        step = &phase;
        phase.Start();

        EXPECT_EQ(phaseHost.entered, std::vector<UpdatePhase>{UpdatePhase::InfoFile});
        EXPECT_EQ(phaseHost.ends, 0);
        if (!c.offered) {
            EXPECT_TRUE(phaseHost.offers.empty());
            continue;
        }
        ASSERT_EQ(phaseHost.offers.size(), 1u);
        const VerifiedUpdate& offer = phaseHost.offers[0];
        EXPECT_EQ(offer.serverUrl, "http://srv/update");
        EXPECT_EQ(offer.info, served);
        ASSERT_EQ(offer.signedFiles.count("a.dll"), 1u);
        EXPECT_EQ(offer.signedFiles.at("a.dll").size, 10u);
        EXPECT_EQ(offer.signedFiles.at("a.dll").sha256, qvx::signing::Sha256Hex("bytes of a"));
    }
}

// The file phase takes the server and every file's fingerprint from the hand-over, never from
// the settings file or the server's own information file.
TEST_F(UpdatePhaseTest, FilePhaseChecksEachFileAgainstWhatItWasHanded) {
    struct Case {
        const char* name;
        std::string handedBytes;  // the bytes whose fingerprint the hand-over names
        std::string installed;    // a.dll in the program folder afterwards
        std::string entry;
    };
    const Case cases[] = {
        {"fingerprint matches", "new a", "new a", "a.dll - [完成]"},
        {"same size, other bytes", "new b", "old", "a.dll - [校验失败]"},
        {"other size", "new a!", "old", "a.dll - [校验失败]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.clear();
        phaseHost.entered.clear();
        Offer({"a.dll"});  // the settings file lists a.dll; its server is http://srv/update
        files[App("a.dll")] = "old";
        internet.urls.clear();
        internet.responses["http://mirror/u/a.dll"] = FakeInternet::Ok("new a");
        UseSettings();
        VerifiedUpdate handed{"http://mirror/u", "[Info]\n", {}};
        handed.signedFiles["a.dll"] = {c.handedBytes.size(),
                                       qvx::signing::Sha256Hex(c.handedBytes)};
        FilePhase phase(Context(), handed);
        step = &phase;
        phase.Start();

        EXPECT_EQ(internet.urls, std::vector<std::string>{"http://mirror/u/a.dll"});
        EXPECT_EQ(files[App("a.dll")], c.installed);
        ASSERT_FALSE(view.ListM.items.empty());
        EXPECT_EQ(view.ListM.items[0], c.entry);
        EXPECT_EQ(phaseHost.entered, std::vector<UpdatePhase>{UpdatePhase::Finished});
    }
}

}  // namespace
}  // namespace qvx::updater
