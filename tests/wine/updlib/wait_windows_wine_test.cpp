#include <gtest/gtest.h>

#include <thread>

#include "tests/wine/updlib/wine_rig.h"

namespace {

using namespace updlib::wine_test;

double NowMs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

class WaitWindowsWineTest : public ::testing::Test {
protected:
    std::unique_ptr<updlib::Win32TrovapiPorts> platform = updlib::MakeWin32TrovapiPorts();
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
    const std::optional<updlib::TrovapiError> error = api.Sleep(200);
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

TEST_F(WaitWindowsWineTest, DesktopMembersDoNotFail) {
    api.RunScr();
    api.ReDesktop();
    SUCCEED();
}

}  // namespace
