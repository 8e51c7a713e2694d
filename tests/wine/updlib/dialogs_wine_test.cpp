#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "tests/wine/updlib/wine_rig.h"

namespace qvx::updlib::win32 {
namespace {

using namespace wine_test;

struct DialogSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindOwnDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == search->process && std::string(className) == "#32770" &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Waits (up to 10 s) on its own thread for a dialog of this process, then acts on it, standing in
// for the user.
class DialogUser {
public:
    explicit DialogUser(std::function<void(HWND)> act)
        : thread_([this, act] {
              for (int i = 0; i < 200 && !stop_; ++i) {
                  DialogSearch search{GetCurrentProcessId(), nullptr};
                  EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&search));
                  if (search.found != nullptr) {
                      ::Sleep(100);  // let it finish its start-up
                      act(search.found);
                      seen_ = true;
                      return;
                  }
                  ::Sleep(50);
              }
          }) {}
    ~DialogUser() {
        stop_ = true;
        thread_.join();
    }
    bool Seen() const { return seen_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

void Cancel(HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

class DialogsWineTest : public ::testing::Test {
protected:
    std::unique_ptr<Win32TrovapiPorts> platform = MakeWin32TrovapiPorts();
    trovapi api{platform->Ports()};
};

TEST_F(DialogsWineTest, OpenFileReturnsTheTypedPath) {
    ScratchFolder scratch;
    const std::string file = scratch.Path() + "picked.txt";
    WriteBytes(file, "x");
    std::string result;
    {
        DialogUser user([&](HWND dialog) {
            // The file-name field of the old-style and of the explorer-style dialog.
            SetDlgItemTextA(dialog, 0x480, file.c_str());
            SetDlgItemTextA(dialog, 0x47C, file.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        result = api.OpenFile(0, "Pick a file", scratch.Path(), "Text|*.txt|All|*.*");
        EXPECT_TRUE(user.Seen());
    }
    EXPECT_EQ(result, file);
}

TEST_F(DialogsWineTest, CancelledDialogsGiveEmptyResults) {
    {
        DialogUser user(Cancel);
        EXPECT_EQ(api.SaveFile(0, "", "C:\\no\\such\\folder"), "");
        EXPECT_TRUE(user.Seen());
    }
    {
        DialogUser user(Cancel);
        EXPECT_EQ(api.GetColor(), -1);
        EXPECT_TRUE(user.Seen());
    }
    {
        DialogUser user(Cancel);
        EXPECT_EQ(api.OpenFolder(), "");
        EXPECT_TRUE(user.Seen());
    }
}

TEST_F(DialogsWineTest, ShowNetWorkCancelledIsEmptyText) {
    std::string caption;
    {
        DialogUser user([&](HWND dialog) {
            char text[256] = {};
            GetWindowTextA(dialog, text, sizeof text);
            caption = text;
            Cancel(dialog);
        });
        EXPECT_EQ(api.ShowNetWork(std::nullopt, std::string("Pick a computer")), "");
        EXPECT_TRUE(user.Seen());
    }
    EXPECT_EQ(caption, platform->Ports().text.Utf8ToAnsi("网上邻居"));
}

}  // namespace
}  // namespace qvx::updlib::win32
