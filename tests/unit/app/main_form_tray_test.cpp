// Single running copy, the tray icon with its show/hide toggle, the window icon, click routing
// and the website links.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/product_site.h"
#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app {
namespace {

using TrayTest = MainFormFixture;

TEST_F(TrayTest, EveryOtherCopyEndsWhateverTheQueryOrder) {
    struct Case {
        std::vector<std::uint32_t> listed;
        std::vector<std::uint32_t> ended;
    };
    const std::uint32_t me = processes.self;
    const Case cases[] = {
        {{me, 41}, {41}}, {{41, me}, {41}},     {{41, me, 42}, {41, 42}}, {{me}, {}},
        {{}, {}},         {{41, 42}, {41, 42}},  // not listed at all: every listed one is another
                                                 // copy
    };
    for (const Case& c : cases) {
        processes.running = c.listed;
        processes.terminated.clear();
        Start();
        EXPECT_EQ(processes.terminated, c.ended);
        EXPECT_EQ(processes.queries.back(), "quorvex.EXE");
    }
}

TEST_F(TrayTest, AFailedProcessQueryStillStarts) {
    processes.running = std::nullopt;
    Start();
    EXPECT_TRUE(processes.terminated.empty());
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(form->SendInfoTimerEnabled());
}

TEST_F(TrayTest, KillMeProcessIdTrimsTheImageName) {
    Make().KillMeProcessID("  QUORVEX.EXE ");
    EXPECT_EQ(processes.queries, std::vector<std::string>{"QUORVEX.EXE"});
}

TEST_F(TrayTest, TrayRecordNamesTheWindowIconAndTip) {
    Start();
    ASSERT_EQ(tray.added.size(), 1u);
    const TrayRecord& r = tray.added[0];
    EXPECT_EQ(r.window, host.window);
    EXPECT_EQ(r.id, kIconHandle);
    EXPECT_EQ(r.icon, kIconHandle);
    EXPECT_EQ(r.flags, 7u);
    EXPECT_EQ(r.callbackMessage, 512u);
    EXPECT_EQ(r.tip, "Quorvex，全天候呵护您的双眼！");
}

TEST_F(TrayTest, ButtonUpOnTheIconTogglesAndNothingElseDoes) {
    Start();
    const std::uintptr_t id = form->Tray().id;
    struct Event {
        std::uintptr_t wParam;
        std::intptr_t lParam;
        bool toggles;
    };
    const Event events[] = {
        {id, 514, true},     // left button up
        {id, 517, true},     // right button up
        {id, 512, false},    // mouse moved over the icon
        {id, 513, false},    // left button down
        {id, 515, false},    // left double click
        {id, 516, false},    // right button down
        {0, 514, false},     // a real mouse move: no buttons held ...
        {1, 517, false},     // ... left button held
        {0x13, 514, false},  // ... several keys held
        {id + 1, 514, false},
    };
    for (const Event& e : events) {
        const bool before = form->Visible();
        form->Form_MouseMove(e.wParam, e.lParam);
        EXPECT_EQ(form->Visible(), e.toggles ? !before : before) << e.wParam << " " << e.lParam;
    }
}

TEST_F(TrayTest, DoubleClickTogglesTwiceAndHiddenWindowComesBack) {
    Start();
    const std::uintptr_t id = form->Tray().id;
    // A double click: down, up, double click, up.
    for (std::intptr_t message : {513, 514, 515, 514}) {
        form->Form_MouseMove(id, message);
    }
    EXPECT_TRUE(form->Visible());
    form->YinCangImage_Click();
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(tray.shown.size(), 1u);  // hiding leaves the icon
    form->Form_MouseMove(id, 514);
    EXPECT_TRUE(form->Visible());
}

TEST_F(TrayTest, MissingIconFileStillGivesANonZeroIdentifier) {
    struct Case {
        std::uintptr_t fallback;
        std::uintptr_t icon;
    };
    icons.files.clear();
    for (const Case c : {Case{0x2B0011, 0x2B0011}, Case{0, 0}}) {
        icons.fallback = c.fallback;
        tray = fakes::FakeTrayIcon{};
        Start();
        const TrayRecord& r = tray.added.at(0);
        EXPECT_EQ(r.icon, c.icon);
        EXPECT_NE(r.id, 0u);
        EXPECT_GT(r.id, 0xFFu);  // never a key-state value of a real mouse move
        form->Form_MouseMove(r.id, 514);
        EXPECT_FALSE(form->Visible());
        form->Form_MouseMove(0, 514);
        EXPECT_FALSE(form->Visible());
    }
}

// uID holds 32 bits and the shell hands back only those: an icon handle above 4 GiB names the
// icon by its low half, and a notification carrying that half is the icon's own.
TEST_F(TrayTest, IdentifierIsTheLowHalfOfAWideIconHandle) {
    struct Case {
        std::uintptr_t icon;
        std::uint32_t id;
    };
    icons.files.clear();
    for (const Case c : {Case{0x7FF600002B11, 0x2B11}, Case{0x100000010, 0x5156}}) {
        icons.fallback = c.icon;
        tray = fakes::FakeTrayIcon{};
        Start();
        const TrayRecord& r = tray.added.at(0);
        EXPECT_EQ(r.icon, c.icon);
        EXPECT_EQ(r.id, c.id);
        form->Form_MouseMove(std::uintptr_t{c.id}, 514);  // as the shell delivers it
        EXPECT_FALSE(form->Visible());
        form->Form_MouseMove(c.icon, 514);  // the whole handle is not what comes back
        EXPECT_FALSE(form->Visible());
    }
}

TEST_F(TrayTest, ExplorerRestartAddsTheIconAgain) {
    Start();
    tray.ExplorerRestart();
    form->TaskbarCreated();
    EXPECT_EQ(tray.shown.size(), 1u);
    EXPECT_EQ(tray.added.size(), 2u);
    EXPECT_EQ(tray.added[1].id, tray.added[0].id);
    form->TuiChuImage_Click();
    form->TaskbarCreated();  // after the end nothing comes back
    EXPECT_TRUE(tray.shown.empty());
}

TEST_F(TrayTest, WindowIconPathGetsOneBackslash) {
    struct Case {
        std::string folder;
        std::string given;
        std::string resolved;
    };
    icons.files["D:\\art\\other.ico"] = 0x777;
    const Case cases[] = {
        {"C:\\Quorvex", "", "C:\\Quorvex\\quorvex.ico"},
        {"C:\\", "", "C:\\quorvex.ico"},
        {"C:\\Quorvex", "D:\\art\\missing.ico", "C:\\Quorvex\\quorvex.ico"},
        {"C:\\Quorvex", "D:\\art\\other.ico", "D:\\art\\other.ico"},
    };
    for (const Case& c : cases) {
        host.folder = c.folder;
        std::string file = c.given;
        Make().GetWindowIcon(0, file, 0);
        EXPECT_EQ(file, c.resolved);
        EXPECT_EQ(icons.extracted.back(), c.resolved);
    }
    std::string named = "D:\\art\\other.ico";
    EXPECT_EQ(Make().GetWindowIcon(0, named, 0), 0x777u);
}

// What a press would click, as the window asks before it decides between a click and moving the
// window: the same image whose handler ClickAt runs, and nothing on the decorations.
TEST_F(TrayTest, ClickableAtNamesTheImageAClickReaches) {
    Start();
    ASSERT_TRUE(form->ClickAt(5100 + 500, 1830 + 500));  // RGBImage04: its overlay now shows
    ASSERT_TRUE(C().RGBImage04_xuan.visible);
    struct Case {
        int x, y;
        const ImageControl* expected;
    };
    const Case cases[] = {
        {5100 + 10, 1830 + 10, &C().RGBImage04},  // the button under its overlay
        {9720 + 1034, 1830 + 1154, &C().RGBImage01},
        {8515 + 10, 165 + 10, &C().TuiChuImage},
        {260 + 100, 6240 + 100, &C().xiazaidizhi},
        {300 + 100, 150 + 100, nullptr},  // the logo
        {5000, 1000, nullptr},            // the tint panel
        {100, 100, nullptr},              // the background
        {20000, 100, nullptr},            // outside every image
    };
    for (const Case& c : cases) {
        EXPECT_EQ(form->ClickableAt(c.x, c.y), c.expected) << c.x << "," << c.y;
        EXPECT_EQ(form->ClickAt(c.x, c.y), c.expected != nullptr) << c.x << "," << c.y;
    }
    // The pop-up: its two buttons while shown, nothing while hidden.
    MsgForm& popUp = form->Reminder();
    EXPECT_EQ(popUp.ClickableAt(3700 + 10, 5400 + 10), nullptr);
    popUp.Show();
    EXPECT_EQ(popUp.ClickableAt(3700 + 10, 5400 + 10), &popUp.Image2);
    EXPECT_EQ(popUp.ClickableAt(1370 + 10, 5400 + 10), &popUp.Image3);
    EXPECT_EQ(popUp.ClickableAt(100, 100), nullptr);
}

TEST_F(TrayTest, ClicksReachTheTopmostVisibleClickableImage) {
    Start();
    // Middle of RGBImage04 (left 5100): writes 25.
    EXPECT_TRUE(form->ClickAt(5100 + 500, 1830 + 500));
    EXPECT_EQ(C().RGBSlider.position, 25);
    // Its overlay is now shown on top; the button below still takes the click (same position).
    EXPECT_TRUE(C().RGBImage04_xuan.visible);
    EXPECT_TRUE(form->ClickAt(5100 + 10, 1830 + 10));
    // RGBImage01 at the right: 50.
    EXPECT_TRUE(form->ClickAt(9720 + 1034, 1830 + 1154));
    EXPECT_EQ(C().RGBSlider.position, 50);
    // Between two presets and on the background: nothing.
    EXPECT_FALSE(form->ClickAt(5100 + 1035 + 10, 1900));
    EXPECT_FALSE(form->ClickAt(100, 100));
    // The visible one of a pair takes the click: smart mode is on, so ZNHY_XUAN switches it off.
    EXPECT_TRUE(form->ClickAt(4420 + 100, 3550 + 100));
    EXPECT_EQ(form->ZNHYSwitch(), 0);
    EXPECT_TRUE(C().ZNHY.visible);
    EXPECT_TRUE(form->ClickAt(4420 + 100, 3550 + 100));
    EXPECT_EQ(form->ZNHYSwitch(), 1);
    // Hide image.
    EXPECT_TRUE(form->ClickAt(10005 + 20, 165 + 20));
    EXPECT_FALSE(form->Visible());
}

TEST_F(TrayTest, PaintOrderPutsTheBackgroundFirstAndOverlaysAbovePresets) {
    const auto images = Make().Controls().ImagesInPaintOrder();
    EXPECT_EQ(images.front(), &C().Background);
    EXPECT_EQ(C().Background.rect.width, 750 * 15);
    EXPECT_EQ(C().Background.rect.height, 450 * 15);
    auto index = [&](const ImageControl* image) {
        return std::find(images.begin(), images.end(), image) - images.begin();
    };
    EXPECT_GT(index(&C().RGBImage07_xuan), index(&C().RGBImage01));
    EXPECT_EQ(std::set<const ImageControl*>(images.begin(), images.end()).size(), images.size());
}

TEST_F(TrayTest, WebsiteLinksOpenTheProductSite) {
    Start();
    form->gangwang_Click();
    form->xiazaidizhi_Click();
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"www.quorvex.com",
                                                      "http://www.quorvex.com/download.html"}));
}

}  // namespace
}  // namespace qvx::app
