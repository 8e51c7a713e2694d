// The real drawn windows from the keyboard and through a screen reader's eyes: the accessible
// tree of each window (AccessibleObjectFromWindow, children, names, roles, states, places), a
// reader's default action, Tab and Space through the main window's own messages, the focus
// ring drawn only once a key was used, Esc and Alt+F4.

#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/win32/form_surface.h"
#include "app/win32/main_window.h"
#include "app/win32/picture_painter.h"
#include "app/win32/window_util.h"
#include "base/log.h"
#include "base/win32/scoped.h"
#include "base/win32/text.h"
#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app::win32 {
namespace {

using base::win32::ComPtr;

class NoLog : public base::Log {
public:
    void Write(std::string_view where, std::string_view what) noexcept override {
        lines.push_back(std::string(where).append(": ").append(what));
    }
    std::vector<std::string> lines;
};

VARIANT Child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

struct Node {
    std::string name;
    long role = 0;
    long state = 0;
    std::string value;
    RECT place{};
};

// Every child of the window's client object, as a screen reader reads them.
std::vector<Node> ReadTree(HWND window, long* countOut = nullptr) {
    ComPtr<IAccessible> client;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(client.GetAddressOf()))) ||
        !client)
        return {};
    long count = 0;
    client->get_accChildCount(&count);
    if (countOut)
        *countOut = count;
    std::vector<Node> nodes;
    for (long i = 1; i <= count; ++i) {
        Node node;
        base::win32::Bstr name, value;
        base::win32::Variant role, state;
        client->get_accName(Child(i), name.Out());
        client->get_accValue(Child(i), value.Out());
        client->get_accRole(Child(i), &role.Get());
        client->get_accState(Child(i), &state.Get());
        long left = 0, top = 0, width = 0, height = 0;
        client->accLocation(&left, &top, &width, &height, Child(i));
        node.name = base::win32::WideToUtf8(name.Text());
        node.value = base::win32::WideToUtf8(value.Text());
        node.role = role.Get().vt == VT_I4 ? role.Get().lVal : -1;
        node.state = state.Get().vt == VT_I4 ? state.Get().lVal : -1;
        node.place = RECT{left, top, left + width, top + height};
        nodes.push_back(node);
    }
    return nodes;
}

const Node* Named(const std::vector<Node>& nodes, const std::string& name) {
    for (const Node& node : nodes)
        if (node.name == name)
            return &node;
    return nullptr;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// What the window shows, read back from its device context.
std::vector<std::uint32_t> Shot(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    Bitmap32 shot;
    if (!shot.Resize(client.right, client.bottom))
        return {};
    const HDC dc = GetDC(window);
    BitBlt(shot.Dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    GdiFlush();
    std::vector<std::uint32_t> pixels(shot.Pixels(), shot.Pixels() + client.right * client.bottom);
    for (std::uint32_t& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

class KeyboardAccessTest : public MainFormFixture {
protected:
    std::unique_ptr<MainWindow> Shown() {
        SetCursorPos(0, 0);  // no image lit up under the pointer
        Put("ZNHY", "0");
        Put("PLTX", "1");
        Put("SetHuYanValue", "33");
        Make();
        auto window = std::make_unique<MainWindow>(*form, owner, painter, windowLog);
        if (!window->Create())
            return nullptr;
        window->Load();
        Pump();
        UpdateWindow(window->Handle());
        return window;
    }

    const base::win32::ComApartment com;
    OwnerWindow owner;
    PicturePainter painter;
    NoLog windowLog;
};

TEST_F(KeyboardAccessTest, EachWindowShowsAScreenReaderItsControls) {
    const auto window = Shown();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(com.Usable());
    window->Dispatch([this] { form->Reminder().Show(); });
    window->Dispatch([this] { form->SheZhiImage_Click(); });
    Pump();

    const long kFocusable = STATE_SYSTEM_FOCUSABLE;
    struct Expect {
        const char* name;
        long role;
        long state;  // these bits set (besides what the window's focus adds)
        const char* value;
    };
    struct Case {
        const wchar_t* className;
        long children;
        std::vector<Expect> expect;
    } cases[] = {
        {L"QuorvexMainForm",
         21,
         {{"色温调节", ROLE_SYSTEM_SLIDER, kFocusable, "33"},
          {"0", ROLE_SYSTEM_PUSHBUTTON, kFocusable, ""},
          {"33", ROLE_SYSTEM_PUSHBUTTON, kFocusable | STATE_SYSTEM_SELECTED, ""},
          {"智能护眼", ROLE_SYSTEM_CHECKBUTTON, kFocusable, ""},
          {"疲劳提醒", ROLE_SYSTEM_CHECKBUTTON, kFocusable | STATE_SYSTEM_CHECKED, ""},
          {"距下次休息 45分", ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY, "45分"},
          {"今日开机时长 00:00:00", ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY, "00:00:00"},
          {"设置", ROLE_SYSTEM_PUSHBUTTON, kFocusable, ""},
          {"隐藏", ROLE_SYSTEM_PUSHBUTTON, kFocusable, ""},
          {"退出", ROLE_SYSTEM_PUSHBUTTON, kFocusable, ""},
          {"官方网站", ROLE_SYSTEM_LINK, kFocusable | STATE_SYSTEM_LINKED, ""},
          {"访问官网下载页面获取最新版本", ROLE_SYSTEM_LINK, kFocusable | STATE_SYSTEM_LINKED,
           ""}}},
        {L"QuorvexMsgForm",
         4,
         {{"关闭", ROLE_SYSTEM_PUSHBUTTON, kFocusable, ""},
          {"不再提醒", ROLE_SYSTEM_PUSHBUTTON, kFocusable, ""},
          {"5分钟后提醒", ROLE_SYSTEM_PUSHBUTTON, kFocusable, ""}}},
        {L"QuorvexSettings",
         11,
         {{"暂停1小时", ROLE_SYSTEM_PUSHBUTTON, kFocusable, ""},
          {"按时钟", ROLE_SYSTEM_CHECKBUTTON, kFocusable | STATE_SYSTEM_CHECKED, ""},
          {"按日出日落", ROLE_SYSTEM_CHECKBUTTON, kFocusable, ""},
          {"全屏时暂停护眼", ROLE_SYSTEM_CHECKBUTTON, kFocusable, ""},
          {"全屏或演示时不打扰", ROLE_SYSTEM_CHECKBUTTON, kFocusable | STATE_SYSTEM_CHECKED, ""},
          {"调暖一档", ROLE_SYSTEM_PUSHBUTTON, kFocusable, "Alt+PageUp"},
          {"关闭", ROLE_SYSTEM_PUSHBUTTON, kFocusable, ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(base::win32::WideToUtf8(c.className));
        HWND hwnd = FindWindowW(c.className, nullptr);
        ASSERT_NE(hwnd, nullptr);
        long count = 0;
        const std::vector<Node> nodes = ReadTree(hwnd, &count);
        EXPECT_EQ(count, c.children);
        ASSERT_EQ(nodes.size(), static_cast<std::size_t>(c.children));
        for (const Expect& e : c.expect) {
            SCOPED_TRACE(e.name);
            const Node* node = Named(nodes, e.name);
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(node->role, e.role);
            EXPECT_EQ(node->state & e.state, e.state);
            EXPECT_EQ(node->state & ~(e.state | STATE_SYSTEM_FOCUSED), 0)
                << std::hex << node->state;
            EXPECT_EQ(node->value, e.value);
            // Its place on the screen lies within the window's client area.
            RECT client;
            GetClientRect(hwnd, &client);
            MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
            RECT inside;
            EXPECT_TRUE(IntersectRect(&inside, &node->place, &client) &&
                        EqualRect(&inside, &node->place));
            EXPECT_GT(node->place.right - node->place.left, 10);
        }
    }
    EXPECT_TRUE(windowLog.lines.empty());
}

TEST_F(KeyboardAccessTest, AReaderFindsAPresetWherePaintedAndPressesIt) {
    const auto window = Shown();
    ASSERT_NE(window, nullptr);
    const HWND hwnd = window->Handle();
    ComPtr<IAccessible> client;
    ASSERT_EQ(
        AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(client.GetAddressOf())),
        S_OK);
    // The card "41" (RGBImage02), in screen pixels.
    const double scale = WindowScale(hwnd);
    const TwipRect& card = C().RGBImage02.rect;
    POINT centre{TwipsToPixels(card.left + card.width / 2, scale),
                 TwipsToPixels(card.top + card.height / 2, scale)};
    ClientToScreen(hwnd, &centre);
    base::win32::Variant hit;
    ASSERT_EQ(client->accHitTest(centre.x, centre.y, &hit.Get()), S_OK);
    ASSERT_EQ(hit.Get().vt, VT_I4);
    base::win32::Bstr name;
    client->get_accName(hit.Get(), name.Out());
    EXPECT_EQ(base::win32::WideToUtf8(name.Text()), "41");

    ASSERT_EQ(client->accDoDefaultAction(hit.Get()), S_OK);
    Pump();
    EXPECT_EQ(C().RGBSlider.position, 41);
    EXPECT_EQ(Stored("SetHuYanValue"), "41");
    base::win32::Variant state;
    client->get_accState(hit.Get(), &state.Get());
    EXPECT_NE(state.Get().lVal & STATE_SYSTEM_SELECTED, 0);

    // A window that is gone leaves the object answering errors, not crashing.
    window->Dispatch([this] { form->TuiChuImage_Click(); });
    long count = 0;
    EXPECT_NE(client->get_accChildCount(&count), S_OK);
}

TEST_F(KeyboardAccessTest, TabThenSpacePressesTheFirstPresetAndTheRingShowsOnlyAfterTheKey) {
    const auto window = Shown();
    ASSERT_NE(window, nullptr);
    const HWND hwnd = window->Handle();
    const HWND slider = FindWindowExW(hwnd, nullptr, L"msctls_trackbar32", nullptr);
    ASSERT_NE(slider, nullptr);
    // Opened, the window gives the slider the focus; no ring yet.
    ASSERT_EQ(GetFocus(), slider);
    UpdateWindow(slider);
    const std::vector<std::uint32_t> before = Shot(hwnd);

    SendMessageW(slider, WM_KEYDOWN, VK_TAB, 0);
    Pump();
    EXPECT_EQ(GetFocus(), hwnd) << "Tab leaves the slider for the drawn controls";
    UpdateWindow(hwnd);
    UpdateWindow(slider);
    const std::vector<std::uint32_t> after = Shot(hwnd);
    ASSERT_EQ(after.size(), before.size());
    // The ring around the card "0" (RGBImage07) and nowhere else.
    RECT client;
    GetClientRect(hwnd, &client);
    const double scale = WindowScale(hwnd);
    const TwipRect& card = C().RGBImage07.rect;
    RECT ring{TwipsToPixels(card.left, scale) - 5, TwipsToPixels(card.top, scale) - 5,
              TwipsToPixels(card.left + card.width, scale) + 5,
              TwipsToPixels(card.top + card.height, scale) + 5};
    int inside = 0, outside = 0;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * client.right + x);
            if (after[i] == before[i])
                continue;
            const POINT p{x, y};
            ++(PtInRect(&ring, p) ? inside : outside);
        }
    }
    EXPECT_GT(inside, 2 * (card.width + card.height) / 15);  // a ring all round
    EXPECT_EQ(outside, 0);

    SendMessageW(hwnd, WM_KEYDOWN, VK_SPACE, 0);
    Pump();
    EXPECT_EQ(C().RGBSlider.position, 0);
    EXPECT_TRUE(LoadedIdentity());
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 0);

    // Shift+Tab is not sent here (the key state says no Shift); Tab around comes back.
    for (int i = 0; i < 15; ++i)
        SendMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    Pump();
    EXPECT_EQ(GetFocus(), slider) << "fifteen more Tabs wrap around to the slider";

    SendMessageW(slider, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->Ended());
    EXPECT_TRUE(windowLog.lines.empty());
}

TEST_F(KeyboardAccessTest, AltF4ClosesTheMainWindowAsClosingItDoes) {
    const auto window = Shown();
    ASSERT_NE(window, nullptr);
    // Alt held: the context bit of the key message.
    SendMessageW(GetFocus(), WM_SYSKEYDOWN, VK_F4, 1 << 29);
    Pump();
    EXPECT_TRUE(form->Ended());
    EXPECT_TRUE(LoadedIdentity());
    EXPECT_FALSE(IsWindow(window->Handle()));
}

}  // namespace
}  // namespace qvx::app::win32
