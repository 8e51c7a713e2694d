// Every orderly end restores the display, stores the day's counters and removes the tray icon,
// once, whichever paths run.

#include <functional>
#include <string>
#include <vector>

#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app {
namespace {

using EndTest = MainFormFixture;

struct EndPath {
    const char* name;
    std::vector<void (MainForm::*)()> steps;
};

const EndPath kEndPaths[] = {
    {"exit image", {&MainForm::TuiChuImage_Click}},
    {"window closed", {&MainForm::Form_Unload, &MainForm::Form_Terminate}},
    {"session end", {&MainForm::EndSession}},
    {"session end, then closed",
     {&MainForm::EndSession, &MainForm::Form_Unload, &MainForm::Form_Terminate}},
    {"exit image twice", {&MainForm::TuiChuImage_Click, &MainForm::TuiChuImage_Click}},
};

TEST_F(EndTest, EachPathStoresRestoresAndRemovesOnce) {
    for (const EndPath& path : kEndPaths) {
        for (const char* strength :
             std::initializer_list<const char*>{"30", nullptr}) {  // tinted, and already at 0
            ClearSettings();
            Put("ZNHY", "0");
            if (strength != nullptr) {
                Put("SetHuYanValue", strength);
            }
            tray = fakes::FakeTrayIcon{};
            host.endCount = 0;
            Start();
            Ticks(70);  // one save at the 60th tick; ten more seconds after it
            Tick(3 * 60 * 1000);
            ASSERT_EQ(Stored("SetKJSCVlaue"), "60");
            // A nudged refresh (after a pause) leaves a ramp that is not the identity.
            clock.Advance(10);
            Tick();
            ASSERT_FALSE(LoadedIdentity());

            for (auto step : path.steps) {
                (form.get()->*step)();
            }

            SCOPED_TRACE(std::string(path.name) + (strength ? " at 30" : " at 0"));
            EXPECT_TRUE(form->Ended());
            EXPECT_FALSE(form->SendInfoTimerEnabled());
            EXPECT_TRUE(LoadedIdentity());
            EXPECT_EQ(C().RGBSlider.position, 0);
            EXPECT_EQ(Stored("SetKJSCVlaue"), "72");
            EXPECT_EQ(Stored("SetLJSYVlaue"), "71");
            EXPECT_EQ(Stored("SetZDSCVlaue"), "71");
            EXPECT_EQ(Stored("SetHuYanValue"),
                      strength ? std::optional<std::string>(strength) : std::nullopt);
            EXPECT_EQ(tray.removed.size(), 1u);
            EXPECT_TRUE(tray.shown.empty());
            EXPECT_EQ(host.endCount, 1);
            // Ticks arriving after the end change nothing.
            const int loads = gamma.loadCount;
            Tick();
            EXPECT_EQ(form->KJSCSeconds(), 72);
            EXPECT_EQ(gamma.loadCount, loads);
        }
    }
}

TEST_F(EndTest, AcceptedUpdateEndsKeepingTheTint) {
    Put("ZNHY", "0");
    Put("SetHuYanValue", "30");
    stats = fakes::FakeStatsService{};
    stats.Answer("http://stats.quorvex.com:8091/vmo.api/api/version/Versionpc", "1.6");
    prompt.answers = {report::PromptAnswer::Ok};
    Start();
    const int loads = gamma.loadCount;
    Tick();
    EXPECT_EQ(launcher.started, std::vector<std::string>{"qvxUpgraded.exe"});
    EXPECT_TRUE(form->Ended());
    EXPECT_EQ(host.endCount, 1);
    EXPECT_EQ(C().RGBSlider.position, 30);
    EXPECT_EQ(gamma.loadCount, loads);  // the rest of that tick did not run: no refresh
    EXPECT_EQ(form->KJSCSeconds(), 0);
    EXPECT_EQ(Stored("SetKJSCVlaue"), "0");
    EXPECT_TRUE(tray.shown.empty());
}

TEST_F(EndTest, DeclinedUpdateShowsTheWindowAndGoesOn) {
    stats = fakes::FakeStatsService{};
    stats.Answer("http://stats.quorvex.com:8091/vmo.api/api/version/Versionpc", "1.6");
    Start();
    form->YinCangImage_Click();
    // The real window is already hidden when the box opens, not only after the tick.
    bool hiddenWhileAsking = false;
    prompt.beforeAnswer = [this, &hiddenWhileAsking] { hiddenWhileAsking = !host.shownNow; };
    Tick();
    EXPECT_EQ(prompt.shown.size(), 1u);
    EXPECT_TRUE(hiddenWhileAsking);
    EXPECT_TRUE(host.shownNow);
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(form->Ended());
    EXPECT_EQ(form->LastVersionReply(), "1.6");
    EXPECT_EQ(form->KJSCSeconds(), 1);
    Tick();
    EXPECT_EQ(prompt.shown.size(), 1u);  // once per run
}

TEST_F(EndTest, TicksAndEndsWhileTheUpdateOfferIsUp) {
    stats = fakes::FakeStatsService{};
    stats.Answer("http://stats.quorvex.com:8091/vmo.api/api/version/Versionpc", "1.6");
    Start();
    // The box pumps messages: a timer expiry arrives while it is up.
    prompt.beforeAnswer = [this] { Tick(); };
    Tick();
    EXPECT_EQ(form->KJSCSeconds(), 1);  // the nested expiry ran nothing
    EXPECT_EQ(prompt.shown.size(), 1u);

    // Windows logs off while the box is up: the end runs once, the rest of the tick does not.
    Make();
    form->Form_Load();
    prompt.beforeAnswer = [this] { form->EndSession(); };
    const int removals = static_cast<int>(tray.removed.size());
    Tick();
    EXPECT_TRUE(form->Ended());
    EXPECT_TRUE(LoadedIdentity());
    EXPECT_EQ(form->KJSCSeconds(), 0);
    EXPECT_EQ(static_cast<int>(tray.removed.size()), removals + 1);
}

}  // namespace
}  // namespace qvx::app
