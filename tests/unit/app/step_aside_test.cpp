#include "app/step_aside.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fakes/desktop_fakes.h"

namespace qvx::app {
namespace {

using Names = std::vector<std::string>;

const std::string kFirst = "\\\\.\\DISPLAY1";
const std::string kSecond = "\\\\.\\DISPLAY2";

// A 1920x1080 monitor and, to its right, a taller 2560x1440 one.
std::vector<MonitorArea> TwoMonitors() {
    return {{kFirst, {0, 0, 1920, 1080}}, {kSecond, {1920, 0, 4480, 1440}}};
}

ForegroundWindow Window(ScreenRect window, ScreenRect client, std::string monitor,
                        std::string program = "game.exe", std::string windowClass = "GameFrame") {
    return {window, client, std::move(windowClass), std::move(program), std::move(monitor)};
}

ForegroundWindow Borderless(ScreenRect rect, std::string monitor,
                            std::string program = "game.exe") {
    return Window(rect, rect, std::move(monitor), std::move(program));
}

TEST(StepAsideTest, FullScreenAndTheDisplaysThatStepAside) {
    const struct {
        const char* what;
        ForegroundWindow front;
        bool fullScreen;
        Names asideWithFullScreenPause;
        Names asideWithout;
    } cases[] = {
        {"borderless window exactly on the first monitor",
         Borderless({0, 0, 1920, 1080}, kFirst),
         true,
         {kFirst},
         {}},
        {"one pixel short at the bottom", Borderless({0, 0, 1920, 1079}, kFirst), false, {}, {}},
        {"one pixel short at the left", Borderless({1, 0, 1920, 1080}, kFirst), false, {}, {}},
        {"one pixel too large", Borderless({0, 0, 1921, 1080}, kFirst), false, {}, {}},
        {"maximised with the taskbar visible",
         Window({-8, -8, 1928, 1048}, {0, 23, 1920, 1040}, kFirst),
         false,
         {},
         {}},
        // Its frame reaches onto the second monitor; only the client area counts.
        {"framed window whose client area fills the monitor",
         Window({-8, -31, 1928, 1088}, {0, 0, 1920, 1080}, kFirst),
         true,
         {kFirst},
         {}},
        {"full screen on the second monitor",
         Borderless({1920, 0, 4480, 1440}, kSecond),
         true,
         {kSecond},
         {}},
        {"the second monitor's size on the first",
         Borderless({0, 0, 2560, 1440}, kFirst),
         false,
         {},
         {}},
        {"spanning both monitors", Borderless({0, 0, 4480, 1440}, kSecond), false, {}, {}},
        {"monitor name unknown: the one it overlaps most",
         Borderless({1920, 0, 4480, 1440}, "\\\\.\\DISPLAY9"),
         true,
         {kSecond},
         {}},
        {"monitor name not given", Borderless({1920, 0, 4480, 1440}, ""), true, {kSecond}, {}},
        // A frame wider than the client on the second monitor: the platform's word decides.
        {"the platform names the monitor, not the overlap",
         Window({0, 0, 4000, 1080}, {0, 0, 1920, 1080}, kFirst),
         true,
         {kFirst},
         {}},
        {"the platform's monitor name in another case",
         Window({0, 0, 4000, 1080}, {0, 0, 1920, 1080}, "\\\\.\\display1"),
         true,
         {kFirst},
         {}},
        {"no monitor name: the overlap decides",
         Window({0, 0, 4000, 1080}, {0, 0, 1920, 1080}, ""),
         false,
         {},
         {}},
        {"a window with no client area",
         Window({0, 0, 1920, 1080}, {0, 0, 0, 0}, kFirst),
         false,
         {},
         {}},
        {"the desktop fills the monitor",
         Window({0, 0, 1920, 1080}, {0, 0, 1920, 1080}, kFirst, "explorer.exe", "Progman"),
         true,
         {},
         {}},
        {"the start menu fills the monitor",
         Window({0, 0, 1920, 1080}, {0, 0, 1920, 1080}, kFirst, "StartMenuExperienceHost.exe",
                "Windows.UI.Core.CoreWindow"),
         true,
         {},
         {}},
        {"a Store app's CoreWindow fills the monitor",
         Window({0, 0, 1920, 1080}, {0, 0, 1920, 1080}, kFirst, "Video.UI.exe",
                "Windows.UI.Core.CoreWindow"),
         true,
         {kFirst},
         {}},
        {"an excluded program in a window",
         Window({100, 100, 900, 700}, {108, 131, 892, 692}, kFirst, "Photoshop.exe"),
         false,
         {kFirst},
         {kFirst}},
        {"an excluded program named in another case",
         Window({100, 100, 900, 700}, {108, 131, 892, 692}, kFirst, "PHOTOSHOP.EXE"),
         false,
         {kFirst},
         {kFirst}},
        {"an excluded program across both monitors",
         Window({1500, 100, 2500, 700}, {1508, 131, 2492, 692}, kSecond, "photoshop.exe"),
         false,
         {kFirst, kSecond},
         {kFirst, kSecond}},
        {"an excluded program maximised on the second monitor: its frame does not count",
         Window({1912, -8, 4488, 1408}, {1920, 23, 4480, 1400}, kSecond, "photoshop.exe"),
         false,
         {kSecond},
         {kSecond}},
        {"an excluded Store app behind its frame host",
         Window({200, 200, 600, 800}, {200, 232, 600, 800}, kFirst, "CalculatorApp.exe",
                "ApplicationFrameWindow"),
         false,
         {kFirst},
         {kFirst}},
        {"an excluded program full screen",
         Borderless({0, 0, 1920, 1080}, kFirst, "photoshop.exe"),
         true,
         {kFirst},
         {kFirst}},
        {"a program that is not excluded, in a window",
         Window({100, 100, 900, 700}, {108, 131, 892, 692}, kFirst, "notepad.exe"),
         false,
         {},
         {}},
        {"a program whose name only contains an excluded one",
         Window({100, 100, 900, 700}, {108, 131, 892, 692}, kFirst, "myphotoshop.exe"),
         false,
         {},
         {}},
        {"a program that cannot be told",
         Window({100, 100, 900, 700}, {108, 131, 892, 692}, kFirst, ""),
         false,
         {},
         {}},
    };
    const std::vector<MonitorArea> monitors = TwoMonitors();
    const Names excluded = {"photoshop.exe", "calculatorapp.exe"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IsFullScreen(c.front, monitors), c.fullScreen);
        EXPECT_EQ(DisplaysSteppingAside(c.front, monitors, {true, excluded}),
                  c.asideWithFullScreenPause);
        EXPECT_EQ(DisplaysSteppingAside(c.front, monitors, {false, excluded}), c.asideWithout);
    }
}

TEST(StepAsideTest, NothingInFrontOrNoMonitors) {
    EXPECT_EQ(DisplaysSteppingAside(std::nullopt, TwoMonitors(), {true, {"game.exe"}}), Names{});
    const ForegroundWindow game = Borderless({0, 0, 1920, 1080}, kFirst);
    EXPECT_FALSE(IsFullScreen(game, {}));
    EXPECT_EQ(DisplaysSteppingAside(game, {}, {true, {"game.exe"}}), Names{});
}

TEST(StepAsideTest, ShellWindows) {
    const struct {
        const char* windowClass;
        const char* program;
        bool shell;
    } cases[] = {
        {"Progman", "explorer.exe", true},
        {"WorkerW", "explorer.exe", true},
        {"Shell_TrayWnd", "explorer.exe", true},
        {"shell_traywnd", "", true},  // window classes ignore case
        {"Shell_SecondaryTrayWnd", "", true},
        {"ImmersiveLauncher", "", true},
        {"MultitaskingViewFrame", "", true},
        {"ForegroundStaging", "", true},
        {"NotifyIconOverflowWindow", "", true},
        {"TaskListThumbnailWnd", "", true},
        {"Windows.UI.Core.CoreWindow", "ShellExperienceHost.exe", true},
        {"Windows.UI.Core.CoreWindow", "StartMenuExperienceHost.exe", true},
        {"Windows.UI.Core.CoreWindow", "SearchHost.exe", true},
        {"Windows.UI.Core.CoreWindow", "searchui.exe", true},
        {"Windows.UI.Core.CoreWindow", "Video.UI.exe", false},
        {"CabinetWClass", "EXPLORER.EXE", true},
        {"CabinetWClass", "C:\\Windows\\explorer.exe", true},
        {"Chrome_WidgetWin_1", "chrome.exe", false},
        {"Chrome_WidgetWin_1", "notexplorer.exe", false},
        {"ProgmanX", "game.exe", false},
        {"", "", false},
    };
    for (const auto& c : cases) {
        ForegroundWindow window;
        window.windowClass = c.windowClass;
        window.program = c.program;
        EXPECT_EQ(IsShellWindow(window), c.shell) << c.windowClass << " / " << c.program;
    }
}

TEST(StepAsideTest, DisplaysCoveredByOnePixelOrMore) {
    const struct {
        ScreenRect rect;
        Names covered;
    } cases[] = {
        {{0, 0, 1920, 1080}, {kFirst}},
        {{1919, 0, 1920, 1}, {kFirst}},
        {{1920, 0, 1921, 1}, {kSecond}},
        {{1919, 500, 1921, 501}, {kFirst, kSecond}},
        {{0, 1080, 1920, 1440}, {}},  // below the first monitor, left of the second
        {{0, 1079, 1921, 1080}, {kFirst, kSecond}},
        {{-500, -500, 0, 0}, {}},
        {{100, 100, 100, 900}, {}},  // empty
        {{-100000, -100000, 100000, 100000}, {kFirst, kSecond}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DisplaysCovered(c.rect, TwoMonitors()), c.covered)
            << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
    }
}

TEST(StepAsideTest, QuietMomentWhenTheShellSaysSoOrAWindowFillsItsMonitor) {
    const std::optional<ForegroundWindow> none;
    const struct {
        const char* what;
        bool accepts;
        std::optional<ForegroundWindow> front;
        bool quiet;
    } cases[] = {
        {"nothing in front", true, none, false},
        {"presentation mode, nothing in front", false, none, true},
        {"a window", true,
         Window({100, 100, 900, 700}, {108, 131, 892, 692}, kFirst, "notepad.exe"), false},
        {"a window in quiet hours", false,
         Window({100, 100, 900, 700}, {108, 131, 892, 692}, kFirst, "notepad.exe"), true},
        {"a full-screen game the shell missed", true, Borderless({1920, 0, 4480, 1440}, kSecond),
         true},
        {"the desktop", true,
         Window({0, 0, 1920, 1080}, {0, 0, 1920, 1080}, kFirst, "explorer.exe", "WorkerW"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fakes::FakeDesktop desktop;
        desktop.monitors = TwoMonitors();
        desktop.acceptsNotifications = c.accepts;
        desktop.foreground = c.front;
        EXPECT_EQ(QuietMoment(desktop), c.quiet);
    }
}

TEST(StepAsideTest, ProgramListTexts) {
    const struct {
        std::string text;
        Names programs;
        std::string formatted;
    } cases[] = {
        {"", {}, ""},
        {"photoshop.exe", {"photoshop.exe"}, "photoshop.exe"},
        {"photoshop.exe|lightroom.exe",
         {"photoshop.exe", "lightroom.exe"},
         "photoshop.exe|lightroom.exe"},
        {" photoshop.exe |  lightroom.exe ",
         {"photoshop.exe", "lightroom.exe"},
         "photoshop.exe|lightroom.exe"},
        {"||photoshop.exe|| |", {"photoshop.exe"}, "photoshop.exe"},
        {"Photoshop.exe|PHOTOSHOP.EXE|vlc.exe",
         {"Photoshop.exe", "vlc.exe"},
         "Photoshop.exe|vlc.exe"},
        {"my game.exe", {"my game.exe"}, "my game.exe"},
        {"|", {}, ""},
    };
    for (const auto& c : cases) {
        const Names programs = ParseProgramList(c.text);
        EXPECT_EQ(programs, c.programs) << '"' << c.text << '"';
        EXPECT_EQ(FormatProgramList(programs), c.formatted) << '"' << c.text << '"';
    }
}

TEST(StepAsideTest, ProgramListedIgnoresAsciiCaseOnly) {
    const Names programs = {"Photoshop.exe", "vlc.exe"};
    const struct {
        std::string program;
        bool listed;
    } cases[] = {
        {"Photoshop.exe", true}, {"photoshop.EXE", true},   {"VLC.EXE", true},
        {"photoshop", false},    {"photoshop.exe ", false}, {"", false},
        {"vlc.exe.exe", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgramListed(programs, c.program), c.listed) << '"' << c.program << '"';
    }
    EXPECT_FALSE(ProgramListed({}, "vlc.exe"));
}

TEST(StepAsideTest, ProgramFileNames) {
    const struct {
        std::string path;
        std::string name;
    } cases[] = {
        {"C:\\Apps\\Photoshop.exe", "Photoshop.exe"},
        {"C:/Apps/vlc.exe", "vlc.exe"},
        {"\\\\server\\share\\tool.exe", "tool.exe"},
        {"D:\\Mixed/slashes\\game.exe", "game.exe"},
        {"plain.exe", "plain.exe"},
        {"C:\\Apps\\", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgramFileName(c.path), c.name) << c.path;
    }
}

}  // namespace
}  // namespace qvx::app
