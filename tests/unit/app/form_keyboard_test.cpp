// The drawn forms from the keyboard: Tab and Shift+Tab go through every control a click reaches
// in reading order and wrap around; Space and Enter press the focused control through the same
// ClickAt a click goes through, with the same effects; Esc hides or closes; the focus is shown
// only once a key was used.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/form_keyboard.h"
#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app {
namespace {

constexpr std::uint32_t kNone = 0;

std::string FocusedName(const KeyboardFocus& focus, const std::vector<AccessibleControl>& all) {
    const AccessibleControl* control = focus.Focused(all);
    return control ? control->name : "(none)";
}

// The names the focus stands on: where it starts, then after each key.
template <class Form>
std::vector<std::string> Walk(Form& form, std::uint32_t modifiers, int keys) {
    std::vector<std::string> names{FocusedName(form.Focus(), form.AccessibleControls())};
    for (int i = 0; i < keys; ++i) {
        EXPECT_TRUE(form.KeyDown(modifiers, kVkTab));
        names.push_back(FocusedName(form.Focus(), form.AccessibleControls()));
    }
    return names;
}

const std::vector<std::string> kMainOrder = {
    "色温调节", "0",        "9",        "17",
    "25",       "33",       "41",       "50",
    "智能护眼", "疲劳提醒", "开机启动", "设置",
    "隐藏",     "退出",     "官方网站", "访问官网下载页面获取最新版本"};

class FormKeyboardTest : public MainFormFixture {
public:
    using MainFormFixture::form;
    using MainFormFixture::Put;
    using MainFormFixture::Start;
};

TEST_F(FormKeyboardTest, TabGoesThroughEveryClickableControlInReadingOrderAndWraps) {
    struct Case {
        const char* name;
        std::vector<std::string> (*walk)(FormKeyboardTest&);
        std::vector<std::string> expected;
    };
    std::vector<std::string> mainAround = kMainOrder;
    mainAround.push_back("色温调节");
    std::vector<std::string> mainBack = {"色温调节", "访问官网下载页面获取最新版本", "官方网站"};
    std::vector<std::string> paused = {"色温调节", "恢复", "0"};
    const Case cases[] = {
        {"main window, Tab", [](FormKeyboardTest& t) { return Walk(t.Start(), kNone, 16); },
         mainAround},
        {"main window, Shift+Tab from the slider",
         [](FormKeyboardTest& t) { return Walk(t.Start(), kModShift, 2); }, mainBack},
        {"main window while paused",
         [](FormKeyboardTest& t) {
             t.Put("PauseUntil", "2026-12-10T12:30:00Z");
             return Walk(t.Start(), kNone, 2);
         },
         paused},
        {"reminder",
         [](FormKeyboardTest& t) {
             t.Start().Reminder().Show();
             return Walk(t.form->Reminder(), kNone, 3);
         },
         {"关闭", "不再提醒", "5分钟后提醒", "关闭"}},
        {"reminder, Shift+Tab",
         [](FormKeyboardTest& t) {
             t.Start().Reminder().Show();
             return Walk(t.form->Reminder(), kModShift, 1);
         },
         {"关闭", "5分钟后提醒"}},
        {"settings window",
         [](FormKeyboardTest& t) {
             t.Start().SheZhiImage_Click();
             return Walk(t.form->Settings(), kNone, 11);
         },
         {"暂停1小时", "暂停至明早", "全屏时暂停护眼", "全屏或演示时不打扰", "添加程序", "调暖一档",
          "调冷一档", "暂停或恢复", "按时钟", "按日出日落", "关闭", "暂停1小时"}},
        {"settings window with a chosen program",
         [](FormKeyboardTest& t) {
             t.Put("ExcludedPrograms", "photoshop.exe");
             t.Start().SheZhiImage_Click();
             return Walk(t.form->Settings(), kModShift, 7);
         },
         {"暂停1小时", "关闭", "按日出日落", "按时钟", "暂停或恢复", "调冷一档", "调暖一档",
          "移除 photoshop.exe"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearSettings();
        EXPECT_EQ(c.walk(*this), c.expected);
    }
}

// What a press on the main window left behind: the calls on the ports in order, the pages
// opened, and the state the window shows.
struct Effects {
    std::vector<std::string> calls;
    std::vector<std::string> opened;
    int slider = 0;
    std::int16_t switches[3] = {};
    bool visible = false;
    bool settingsShown = false;
    bool paused = false;
    bool ended = false;
    bool operator==(const Effects& o) const {
        return calls == o.calls && opened == o.opened && slider == o.slider &&
               switches[0] == o.switches[0] && switches[1] == o.switches[1] &&
               switches[2] == o.switches[2] && visible == o.visible &&
               settingsShown == o.settingsShown && paused == o.paused && ended == o.ended;
    }
};

// A fresh program on fakes of its own for each press.
struct Rig : MainFormFixture {
    using MainFormFixture::form;
    using MainFormFixture::log;
    void TestBody() override {}
    explicit Rig(bool paused) {
        // The slider between presets, so that every preset moves it.
        Put("ZNHY", "0");
        Put("SetHuYanValue", "30");
        if (paused)
            Put("PauseUntil", "2026-12-10T12:30:00Z");
        Start();
        log.entries.clear();
        recordingRegistry.log = &log;
        tray.log = &log;
        host.log = &log;
        processes.log = &log;
        icons.log = &log;
    }
    Effects Now() const {
        return Effects{log.entries,
                       shell.opened,
                       form->Controls().RGBSlider.position,
                       {form->ZNHYSwitch(), form->PLTXSwitch(), form->KJQDSwitch()},
                       form->Visible(),
                       form->Settings().Visible(),
                       form->Paused(),
                       form->Ended()};
    }
};

TEST(FormKeyboardEffects, SpaceOrEnterOnAControlDoesWhatAClickOnItDoes) {
    for (const bool paused : {false, true}) {
        const std::vector<AccessibleControl> controls = Rig(paused).form->AccessibleControls();
        int stop = 0;  // Tabs from the slider
        for (const AccessibleControl& control : controls) {
            if (!control.Focusable())
                continue;
            const int tabs = stop++;
            if (control.role == AccessibleRole::Slider)
                continue;
            SCOPED_TRACE(control.name + (paused ? " (paused)" : ""));
            Rig clicked(paused);
            const Effects before = clicked.Now();
            const TwipRect& r = control.rect;
            ASSERT_TRUE(clicked.form->ClickAt(r.left + r.width / 2, r.top + r.height / 2));
            const Effects byClick = clicked.Now();
            EXPECT_FALSE(byClick == before) << "the click changed nothing";

            Rig keyed(paused);
            for (int i = 0; i < tabs; ++i)
                keyed.form->KeyDown(kNone, kVkTab);
            ASSERT_EQ(FocusedName(keyed.form->Focus(), keyed.form->AccessibleControls()),
                      control.name);
            const std::uint32_t key = tabs % 2 ? kVkSpace : kVkReturn;
            EXPECT_TRUE(keyed.form->KeyDown(kNone, key));
            EXPECT_TRUE(keyed.Now() == byClick);
            EXPECT_EQ(keyed.log.entries, byClick.calls);
        }
    }
}

TEST_F(FormKeyboardTest, EscHidesOrClosesEachWindowAsItsOwnChoiceDoes) {
    Start();
    ASSERT_TRUE(form->KeyDown(kNone, kVkEscape));
    EXPECT_FALSE(form->Visible());

    form->Reminder().Show();
    const std::int16_t reminderSwitch = form->PLTXSwitch();
    ASSERT_TRUE(form->Reminder().KeyDown(kNone, kVkEscape));
    EXPECT_FALSE(form->Reminder().Visible());
    EXPECT_EQ(form->PLTXSwitch(), reminderSwitch) << "Esc is 关闭, not 不再提醒";

    SettingsForm& settings = form->Settings();
    form->SheZhiImage_Click();
    // A field that records takes the keys: Tab stays in it, Esc only ends the recording.
    settings.HotkeyField_Click(0);
    const int focused = settings.Focus().Id();
    EXPECT_TRUE(settings.KeyDown(kNone, kVkTab));
    EXPECT_EQ(settings.Focus().Id(), focused);
    EXPECT_TRUE(settings.KeyDown(kNone, kVkEscape));
    EXPECT_FALSE(settings.Recording().has_value());
    EXPECT_TRUE(settings.Visible());
    EXPECT_TRUE(settings.KeyDown(kNone, kVkEscape));
    EXPECT_FALSE(settings.Visible());
}

TEST_F(FormKeyboardTest, TheFocusShowsOnlyAfterAKeyAndFollowsClicks) {
    Start();
    const auto focusedName = [this] {
        return FocusedName(form->Focus(), form->AccessibleControls());
    };
    EXPECT_EQ(focusedName(), "色温调节");
    EXPECT_FALSE(form->Focus().CuesShown());
    // A click takes the focus along without showing it.
    const TwipRect& smart = C().ZNHY.rect;
    form->ClickAt(smart.left + 10, smart.top + 10);
    EXPECT_EQ(focusedName(), "智能护眼");
    EXPECT_FALSE(form->Focus().CuesShown());
    // Space on the slider is the slider's own: nothing is pressed.
    form->Focus().Set(MainForm::kSliderControl);
    EXPECT_FALSE(form->KeyDown(kNone, kVkSpace));
    EXPECT_TRUE(form->Focus().CuesShown());
    // Other keys and combinations are not the forms'.
    EXPECT_FALSE(form->KeyDown(kModControl, kVkTab));
    EXPECT_FALSE(form->KeyDown(kNone, 'A'));

    // Pressing "恢复" ends the pause and hides it: the focus goes back to the slider.
    form->PauseForHour();
    form->KeyDown(kNone, kVkTab);
    ASSERT_EQ(focusedName(), "恢复");
    form->KeyDown(kNone, kVkReturn);
    EXPECT_FALSE(form->Paused());
    EXPECT_EQ(focusedName(), "色温调节");
    form->KeyDown(kNone, kVkTab);
    EXPECT_EQ(focusedName(), "0");
}

TEST_F(FormKeyboardTest, ScreenReadersReadRolesStatesAndValues) {
    Put("ZNHY", "0");
    Put("PLTX", "1");
    Put("SetHuYanValue", "33");
    Start();
    const std::vector<AccessibleControl> all = form->AccessibleControls();
    auto find = [&all](const std::string& name) -> const AccessibleControl* {
        for (const AccessibleControl& c : all)
            if (c.name == name)
                return &c;
        return nullptr;
    };
    struct Case {
        const char* name;
        AccessibleRole role;
        bool checked;
        bool selected;
        const char* value;
    };
    const Case cases[] = {
        {"色温调节", AccessibleRole::Slider, false, false, "33"},
        {"33", AccessibleRole::PushButton, false, true, ""},
        {"41", AccessibleRole::PushButton, false, false, ""},
        {"智能护眼", AccessibleRole::CheckButton, false, false, ""},
        {"疲劳提醒", AccessibleRole::CheckButton, true, false, ""},
        {"距下次休息 45分", AccessibleRole::StaticText, false, false, "45分"},
        {"今日开机时长 00:00:00", AccessibleRole::StaticText, false, false, "00:00:00"},
        {"官方网站", AccessibleRole::Link, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AccessibleControl* control = find(c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->role, c.role);
        EXPECT_EQ(control->checked, c.checked);
        EXPECT_EQ(control->selected, c.selected);
        EXPECT_EQ(control->value, c.value);
    }
    // Turned on, the switch reads checked and stands where its other picture is.
    form->PLTX_XUAN_Click();
    const auto again = form->AccessibleControls();
    for (const AccessibleControl& c : again) {
        if (c.name == "疲劳提醒") {
            EXPECT_FALSE(c.checked);
            EXPECT_EQ(c.rect, C().PLTX.rect);
        }
    }
}

}  // namespace
}  // namespace qvx::app
