#include <gtest/gtest.h>

#include <thread>

#include "tests/wine/updlib/wine_rig.h"

namespace qvx::updlib::win32 {
namespace {

using namespace wine_test;

double NowMs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

class WaitWindowsWineTest : public ::testing::Test {
protected:
    std::unique_ptr<Win32TrovapiPorts> platform = MakeWin32TrovapiPorts();
    trovapi api{platform->Ports()};
};

TEST_F(WaitWindowsWineTest, SleepLastsItsTimeAndHandlesMessagesMeanwhile) {
    TestWindow window("qvx updlib sleep test");
    const HWND target = window.Handle();
    std::thread poster([target] {
        ::Sleep(50);
        PostMessageA(target, WM_APP + 7, 7, 0);
    });
    const double start = NowMs();
    const std::optional<TrovapiError> error = api.Sleep(200);
    const double elapsed = NowMs() - start;
    poster.join();
    EXPECT_FALSE(error.has_value());
    EXPECT_GE(elapsed, 199.0);
    EXPECT_LT(elapsed, 400.0);
    // Handled inside the wait, not afterwards.
    EXPECT_TRUE(WasReceived(WM_APP + 7, 7));
    std::printf("Sleep(200) took %.1f ms\n", elapsed);
}

TEST_F(WaitWindowsWineTest, WaitInsideAWaitKeepsBothTimes) {
    TestWindow window("qvx updlib nested sleep test");
    const HWND target = window.Handle();
    double innerElapsed = 0;
    AppMessageHook() = [&](UINT message, WPARAM) {
        if (message == WM_APP + 8) {
            const double innerStart = NowMs();
            EXPECT_FALSE(api.Sleep(30).has_value());
            innerElapsed = NowMs() - innerStart;
        }
    };
    std::thread poster([target] {
        ::Sleep(50);
        PostMessageA(target, WM_APP + 8, 0, 0);
    });
    const double start = NowMs();
    EXPECT_FALSE(api.Sleep(300).has_value());
    const double elapsed = NowMs() - start;
    poster.join();
    AppMessageHook() = nullptr;
    EXPECT_TRUE(WasReceived(WM_APP + 8, 0));
    EXPECT_GE(innerElapsed, 29.0);
    EXPECT_GE(elapsed, 299.0);  // not cut short when the handler's wait ended
    EXPECT_LT(elapsed, 500.0);
    std::printf("outer Sleep(300) %.1f ms around an inner Sleep(30) of %.1f ms\n", elapsed,
                innerElapsed);
}

TEST_F(WaitWindowsWineTest, SleepZeroReturnsAtOnce) {
    const double start = NowMs();
    EXPECT_FALSE(api.Sleep(0).has_value());
    EXPECT_LT(NowMs() - start, 50.0);
}

TEST_F(WaitWindowsWineTest, PostKillForm) {
    EXPECT_FALSE(api.PostKillForm("no window has this title 5f2c"));
    TestWindow window("qvx updlib post test");
    EXPECT_TRUE(api.PostKillForm("qvx updlib post test"));
    PumpPending();
    EXPECT_TRUE(WasReceived(WM_CLOSE, 0));
}

TEST_F(WaitWindowsWineTest, SendKillFormClosesThroughTheSystemCommand) {
    TestWindow window("qvx updlib send test");
    EXPECT_TRUE(api.SendKillForm("qvx updlib send test"));
    EXPECT_TRUE(WasReceived(WM_SYSCOMMAND, SC_CLOSE));
    EXPECT_TRUE(WasReceived(WM_CLOSE, 0));  // the default handling of the command
    EXPECT_FALSE(api.SendKillForm("no window has this title 5f2c"));
}

TEST_F(WaitWindowsWineTest, FormUpAndFormZcMoveInAndOutOfTheTopmostBand) {
    TestWindow window("qvx updlib topmost test");
    auto topmost = [&] {
        return (GetWindowLongPtrA(window.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    };
    EXPECT_FALSE(topmost());
    api.FormUp(window.Opaque());
    EXPECT_TRUE(topmost());
    api.FormZC(window.Opaque());
    EXPECT_FALSE(topmost());
    api.FormDown(window.Opaque());
    EXPECT_FALSE(topmost());
}

// A 32 x 32 monochrome cursor file: directory, one entry, bitmap header, palette, XOR and AND.
std::string MonochromeCursorFile() {
    std::string bytes;
    auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    };
    put(0, 2), put(2, 2), put(1, 2);                           // reserved, cursor, one image
    put(32, 1), put(32, 1), put(2, 1), put(0, 1);              // size, colours, reserved
    put(0, 2), put(0, 2), put(304, 4), put(22, 4);             // hot spot, bytes, offset
    put(40, 4), put(32, 4), put(64, 4), put(1, 2), put(1, 2);  // header: 1 bit, XOR + AND
    put(0, 4), put(256, 4), put(0, 4), put(0, 4), put(0, 4), put(0, 4);
    put(0x000000, 4), put(0xFFFFFF, 4);  // palette
    bytes += std::string(128, '\x00');   // XOR: black
    bytes += std::string(128, '\xF0');   // AND: half see-through
    return bytes;
}

TEST_F(WaitWindowsWineTest, FormAniSetsTheClassCursorFromAFile) {
    ScratchFolder scratch;
    const std::string file = scratch.Path() + "arrow.cur";
    WriteBytes(file, MonochromeCursorFile());
    TestWindow window("qvx updlib cursor test");
    SetClassLongPtrA(window.Handle(), GCLP_HCURSOR, 0);
    api.FormANI(window.Opaque(), scratch.Path() + "missing.cur");
    EXPECT_EQ(GetClassLongPtrA(window.Handle(), GCLP_HCURSOR), 0);
    api.FormANI(window.Opaque(), file);
    EXPECT_NE(GetClassLongPtrA(window.Handle(), GCLP_HCURSOR), 0);
    SetClassLongPtrA(window.Handle(), GCLP_HCURSOR, 0);
}

// What the windows of a DesktopWindows chain received.
struct DesktopMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<DesktopMessage>& DesktopMessages() {
    static std::vector<DesktopMessage> received;
    return received;
}

LRESULT CALLBACK DesktopRecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_SYSCOMMAND) {
        DesktopMessages().push_back({window, message, wParam, lParam});
        return 0;  // recorded only: no screen saver starts in the test
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A hidden window of a class of its own name, registered here with the recording procedure;
// a child window when `parent` is given.
class ClassWindow {
public:
    ClassWindow(const char* className, HWND parent) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DesktopRecordingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = className;
        RegisterClassA(&windowClass);  // fails harmlessly when registered already
        window_ = CreateWindowExA(0, className, "", parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10,
                                  parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~ClassWindow() { DestroyWindow(window_); }
    ClassWindow(const ClassWindow&) = delete;
    ClassWindow& operator=(const ClassWindow&) = delete;
    HWND Handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

// The shell's desktop windows as a shell with desktop icons has them: the icon list inside the
// view inside "Progman".
class DesktopWindows {
public:
    DesktopWindows() { DesktopMessages().clear(); }
    ClassWindow progman{"Progman", nullptr};
    ClassWindow view{"SHELLDLL_DefView", progman.Handle()};
    ClassWindow list{"SysListView32", view.Handle()};
};

TEST_F(WaitWindowsWineTest, ReDesktopPostsF5ToTheDesktopIconList) {
    // Wine's own desktop has no Progman window, so the one made here is the one found.
    ASSERT_EQ(FindWindowExA(nullptr, nullptr, "Progman", nullptr), nullptr);
    DesktopWindows desktop;
    ASSERT_NE(desktop.list.Handle(), nullptr);
    ASSERT_EQ(FindWindowExA(nullptr, nullptr, "Progman", nullptr), desktop.progman.Handle());

    api.ReDesktop();
    EXPECT_TRUE(DesktopMessages().empty()) << "posted, so not handled before the queue is read";
    PumpPending();
    ASSERT_EQ(DesktopMessages().size(), 1u);
    const DesktopMessage& key = DesktopMessages()[0];
    EXPECT_EQ(key.window, desktop.list.Handle());
    EXPECT_EQ(key.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(key.wParam, static_cast<WPARAM>(VK_F5));
    EXPECT_EQ(key.lParam, 0x003F0001);
}

// The real window system with another window standing in for the desktop window.
class DesktopStandIn : public WindowSystem {
public:
    DesktopStandIn(WindowSystem& real, HWND desktop)
        : real_(real), desktop_(reinterpret_cast<WindowHandle>(desktop)) {}
    WindowHandle FindWindowByTitle(const std::string& title) override {
        return real_.FindWindowByTitle(title);
    }
    WindowHandle FindChildByClass(WindowHandle parent, const std::string& className) override {
        return real_.FindChildByClass(parent, className);
    }
    WindowHandle DesktopWindow() override { return desktop_; }
    bool PostWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override {
        return real_.PostWindowMessage(window, message, wParam, lParam);
    }
    std::intptr_t SendWindowMessage(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam, std::intptr_t lParam) override {
        return real_.SendWindowMessage(window, message, wParam, lParam);
    }
    bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, std::uint32_t flags) override {
        return real_.SetWindowPos(window, insertAfter, flags);
    }
    CursorHandle LoadCursorFile(const std::string& path) override {
        return real_.LoadCursorFile(path);
    }
    void SetClassCursor(WindowHandle window, CursorHandle cursor) override {
        real_.SetClassCursor(window, cursor);
    }

private:
    WindowSystem& real_;
    WindowHandle desktop_;
};

TEST_F(WaitWindowsWineTest, RunScrSendsTheScreenSaveCommandToTheDesktopWindow) {
    const TrovapiPorts ports = platform->Ports();
    EXPECT_EQ(ports.windows.DesktopWindow(), reinterpret_cast<WindowHandle>(GetDesktopWindow()));

    // Sent, not posted: the stand-in has the command by the time RunScr returns.
    DesktopMessages().clear();
    ClassWindow standIn("QvxUpdlibDesktopStandIn", nullptr);
    DesktopStandIn windows(ports.windows, standIn.Handle());
    trovapi redirected{
        {ports.profile, ports.files, ports.wait, ports.clock, windows, ports.shell, ports.text}};
    redirected.RunScr();
    ASSERT_EQ(DesktopMessages().size(), 1u);
    EXPECT_EQ(DesktopMessages()[0].window, standIn.Handle());
    EXPECT_EQ(DesktopMessages()[0].message, static_cast<UINT>(WM_SYSCOMMAND));
    EXPECT_EQ(DesktopMessages()[0].wParam, static_cast<WPARAM>(SC_SCREENSAVE));

    // The real desktop window answers the command (another process's window under Wine): the
    // send reaches a live window and comes back.
    SetLastError(0);
    const double start = NowMs();
    api.RunScr();
    EXPECT_EQ(GetLastError(), 0u) << "SendMessage failed";
    EXPECT_LT(NowMs() - start, 2000.0);
}

}  // namespace
}  // namespace qvx::updlib::win32
