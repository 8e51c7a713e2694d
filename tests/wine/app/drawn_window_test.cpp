// The drawn windows repaint only what changed: a paint of an area of the form draws exactly what a
// whole paint draws there and nothing elsewhere, and one second of the session asks for a paint
// of the counters, not of the whole main window. Hidden, a window lets go of its pictures; shown
// again, it looks as it did.

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/win32/app_ports.h"
#include "app/win32/form_surface.h"
#include "app/win32/main_window.h"
#include "app/win32/picture_painter.h"
#include "app/win32/window_util.h"
#include "base/win32/scoped.h"
#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app::win32 {
namespace {

using Region = base::win32::GdiObject<HRGN>;

constexpr int kWidth = 753;  // the main form at 96 dpi: 11295 x 6780 twips
constexpr int kHeight = 452;
constexpr std::uint32_t kMarker = 0x00FF00FF;

std::vector<const ImageControl*> ImagesOf(const MainFormControls& c) {
    const auto all = c.ImagesInPaintOrder();
    return {all.begin(), all.end()};
}

std::vector<const LabelControl*> LabelsOf(const MainFormControls& c) {
    const auto all = c.LabelsInPaintOrder();
    return {all.begin(), all.end()};
}

// The main form's controls as they look once the program runs: counters, countdown in its big
// font, the notice line shown.
MainFormControls Running() {
    MainFormControls c;
    c.PcVer.text = "PC V1.6";
    c.PLSYSJ.text = "45";
    c.PLSYSJ.fontSize = 40;
    c.KJSC.text = "01:02:03";
    c.LJSY.text = "00:59:59";
    c.BCSC.text = "00:00:09";
    c.ZDSC.text = "00:10:00";
    c.GammaNotice.visible = true;
    c.GammaNotice.text = "一个显示器不接受色温调节";
    return c;
}

void Fill(Bitmap32& bitmap, std::uint32_t pixel) {
    std::uint32_t* bits = const_cast<std::uint32_t*>(bitmap.Pixels());
    std::fill(bits, bits + bitmap.Width() * bitmap.Height(), pixel);
}

RECT Union(const RECT& a, const RECT& b) {
    RECT r;
    UnionRect(&r, &a, &b);
    return r;
}

TEST(FormSurface, AnAreaPaintsWhatAWholePaintPaintsThereAndNothingElse) {
    PicturePainter painter;
    struct Case {
        const char* name;
        void (*change)(MainFormControls&);
        const ImageControl* (*hovered)(const MainFormControls&);
    } cases[] = {
        {"counters advance",
         [](MainFormControls& c) {
             c.KJSC.text = "01:02:04";
             c.LJSY.text = "01:00:00";
         },
         [](const MainFormControls&) -> const ImageControl* { return nullptr; }},
        {"countdown shrinks to one digit, notice gone",
         [](MainFormControls& c) {
             c.PLSYSJ.text = "9";
             c.GammaNotice.visible = false;
         },
         [](const MainFormControls&) -> const ImageControl* { return nullptr; }},
        {"a counter under a lit image", [](MainFormControls& c) { c.ZDSC.text = "23:59:59"; },
         [](const MainFormControls& c) -> const ImageControl* { return &c.ZNHY; }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const MainFormControls before = Running();
        MainFormControls after = Running();
        k.change(after);
        const RECT all{0, 0, kWidth, kHeight};

        // What the window would ask for: where every changed label was and is.
        FormSurface surface(painter);
        RECT dirty{};
        const auto old = before.LabelsInPaintOrder();
        const auto now = after.LabelsInPaintOrder();
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (!(*old[i] == *now[i])) {
                dirty = Union(dirty, surface.LabelArea(*old[i], 1.0));
                dirty = Union(dirty, surface.LabelArea(*now[i], 1.0));
            }
        }
        ASSERT_FALSE(IsRectEmpty(&dirty));

        Bitmap32 screen;
        ASSERT_TRUE(screen.Resize(kWidth, kHeight));
        surface.Paint(screen.Dc(), all, kWidth, kHeight, 1.0, ImagesOf(before), LabelsOf(before),
                      k.hovered(before));
        GdiFlush();
        const std::vector<std::uint32_t> first(screen.Pixels(), screen.Pixels() + kWidth * kHeight);
        // The dirty area alone, onto a marked canvas: nothing outside it is touched.
        Bitmap32 marked;
        ASSERT_TRUE(marked.Resize(kWidth, kHeight));
        Fill(marked, kMarker);
        surface.Paint(marked.Dc(), dirty, kWidth, kHeight, 1.0, ImagesOf(after), LabelsOf(after),
                      k.hovered(after));
        surface.Paint(screen.Dc(), dirty, kWidth, kHeight, 1.0, ImagesOf(after), LabelsOf(after),
                      k.hovered(after));
        GdiFlush();

        FormSurface fresh(painter);
        Bitmap32 whole;
        ASSERT_TRUE(whole.Resize(kWidth, kHeight));
        fresh.Paint(whole.Dc(), all, kWidth, kHeight, 1.0, ImagesOf(after), LabelsOf(after),
                    k.hovered(after));
        GdiFlush();

        int differ = 0, changed = 0, touchedOutside = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * kWidth + x);
                const POINT p{x, y};
                if ((screen.Pixels()[i] & 0xFFFFFF) != (whole.Pixels()[i] & 0xFFFFFF))
                    ++differ;
                if ((first[i] & 0xFFFFFF) != (whole.Pixels()[i] & 0xFFFFFF))
                    ++changed;
                if (!PtInRect(&dirty, p) && marked.Pixels()[i] != kMarker)
                    ++touchedOutside;
            }
        }
        EXPECT_GT(changed, 20);  // the change shows
        EXPECT_EQ(differ, 0);    // and the area painted over the old frame looks as painted anew
        EXPECT_EQ(touchedOutside, 0);
    }
}

TEST(FormSurface, AfterReleaseAPaintDrawsTheLayerAgain) {
    PicturePainter painter;
    const MainFormControls c = Running();
    const RECT all{0, 0, kWidth, kHeight};
    FormSurface surface(painter);
    Bitmap32 before;
    ASSERT_TRUE(before.Resize(kWidth, kHeight));
    surface.Paint(before.Dc(), all, kWidth, kHeight, 1.0, ImagesOf(c), LabelsOf(c));
    GdiFlush();
    // The whole window, and a tick's counter alone: the first paint after letting go.
    const struct {
        const char* name;
        RECT area;
    } cases[] = {{"whole window", all}, {"one counter", surface.LabelArea(c.KJSC, 1.0)}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        surface.Release();
        Bitmap32 after;
        ASSERT_TRUE(after.Resize(kWidth, kHeight));
        Fill(after, kMarker);
        surface.Paint(after.Dc(), k.area, kWidth, kHeight, 1.0, ImagesOf(c), LabelsOf(c));
        GdiFlush();
        int differ = 0, painted = 0;
        for (int y = k.area.top; y < k.area.bottom; ++y) {
            for (int x = k.area.left; x < k.area.right; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * kWidth + x);
                if (after.Pixels()[i] != kMarker)
                    ++painted;
                if ((after.Pixels()[i] & 0xFFFFFF) != (before.Pixels()[i] & 0xFFFFFF))
                    ++differ;
            }
        }
        EXPECT_EQ(painted, (k.area.right - k.area.left) * (k.area.bottom - k.area.top));
        EXPECT_EQ(differ, 0);
        EXPECT_NE(surface.Layer(kWidth, kHeight, 1.0, ImagesOf(c)).Dc(), nullptr);
    }
}

class RecordingLog : public base::Log {
public:
    void Write(std::string_view where, std::string_view what) noexcept override {
        lines.push_back(std::string(where).append(": ").append(what));
    }
    std::vector<std::string> lines;
};

// The real main window over the form on fakes, as the program shows it.
class MainWindowRedrawTest : public MainFormFixture {
protected:
    // One second of use, through the window's session timer.
    void Tick(HWND window) {
        clock.Advance(1);
        idle.Advance(1000);
        idle.SetIdle(0);
        SendMessageW(window, WM_TIMER, MainWindow::kSendInfoTimer, 0);
    }
    // The area waiting to be painted.
    static Region Pending(HWND window) {
        Region region(CreateRectRgn(0, 0, 0, 0));
        GetUpdateRgn(window, region.Get(), FALSE);
        return region;
    }
    // NULLREGION when nothing waits to be painted.
    static int PendingKind(HWND window) {
        Region region(CreateRectRgn(0, 0, 0, 0));
        return GetUpdateRgn(window, region.Get(), FALSE);
    }
    static bool Within(HRGN inner, HRGN outer) {
        Region rest(CreateRectRgn(0, 0, 0, 0));
        return CombineRgn(rest.Get(), inner, outer, RGN_DIFF) == NULLREGION;
    }
    static Region Boxes(const std::vector<const LabelControl*>& labels, double scale, int grow) {
        Region all(CreateRectRgn(0, 0, 0, 0));
        for (const LabelControl* label : labels) {
            RECT box = LabelBox(*label, scale);
            InflateRect(&box, grow, grow);
            Region one(CreateRectRgnIndirect(&box));
            CombineRgn(all.Get(), all.Get(), one.Get(), RGN_OR);
        }
        return all;
    }

    // The window's slider, painted, so that only what comes after is waiting.
    static HWND PaintedSlider(HWND window) {
        HWND slider = FindWindowExW(window, nullptr, L"msctls_trackbar32", nullptr);
        if (slider)
            UpdateWindow(slider);
        return slider;
    }

    // The window shown as the program starts it, past the first tick, everything painted.
    std::unique_ptr<MainWindow> Shown() {
        SetCursorPos(0, 0);  // no image lit up under the pointer
        Make();
        auto window = std::make_unique<MainWindow>(*form, owner, painter, windowLog);
        if (!window->Create())
            return nullptr;
        window->Load();
        Tick(window->Handle());  // the first tick's exchange is behind
        UpdateWindow(window->Handle());
        return window;
    }

    OwnerWindow owner;
    PicturePainter painter;
    RecordingLog windowLog;
};

TEST_F(MainWindowRedrawTest, ASecondAsksForAPaintOfTheCountersOnly) {
    const auto window = Shown();
    ASSERT_NE(window, nullptr);
    const HWND hwnd = window->Handle();
    ASSERT_TRUE(IsWindowVisible(hwnd));
    ASSERT_EQ(PendingKind(hwnd), NULLREGION);

    const double scale = WindowScale(hwnd);
    const MainFormControls& c = form->Controls();
    const std::string kjsc = c.KJSC.text;
    Tick(hwnd);
    ASSERT_NE(c.KJSC.text, kjsc);
    const Region pending = Pending(hwnd);
    RECT bounds, client;
    ASSERT_NE(GetRgnBox(pending.Get(), &bounds), NULLREGION);
    GetClientRect(hwnd, &client);
    // Every counter, with its text's edge, and nothing beyond the counters and the countdown.
    for (const LabelControl* counter : {&c.KJSC, &c.LJSY, &c.BCSC, &c.ZDSC}) {
        SCOPED_TRACE(counter->text);
        EXPECT_TRUE(Within(Boxes({counter}, scale, 0).Get(), pending.Get()));
    }
    EXPECT_TRUE(Within(pending.Get(),
                       Boxes({&c.KJSC, &c.LJSY, &c.BCSC, &c.ZDSC, &c.PLSYSJ}, scale, 2).Get()));
    EXPECT_LT((bounds.right - bounds.left) * (bounds.bottom - bounds.top),
              client.right * client.bottom / 10);
    // The slider, away from the counters, is not painted again.
    HWND slider = FindWindowExW(hwnd, nullptr, L"msctls_trackbar32", nullptr);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(PendingKind(slider), NULLREGION);

    UpdateWindow(hwnd);
    EXPECT_EQ(PendingKind(hwnd), NULLREGION);
    EXPECT_TRUE(windowLog.lines.empty());
}

TEST_F(MainWindowRedrawTest, ARareChangeStillPaintsTheWholeWindowAndTheSlider) {
    const auto window = Shown();
    ASSERT_NE(window, nullptr);
    const HWND hwnd = window->Handle();
    const HWND slider = PaintedSlider(hwnd);
    ASSERT_NE(slider, nullptr);

    // A preset: its overlay and the slider's position change.
    const int position = form->Controls().RGBSlider.position;
    window->Dispatch([this, position] { form->RGBSlider_Scroll(position == 50 ? 0 : 50); });
    RECT pending, client;
    GetClientRect(hwnd, &client);
    ASSERT_NE(GetUpdateRect(hwnd, &pending, FALSE), FALSE);
    EXPECT_TRUE(EqualRect(&pending, &client));
    EXPECT_NE(PendingKind(slider), NULLREGION);
}

// What the window shows, its slider included, read back from the window.
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

TEST_F(MainWindowRedrawTest, HiddenByItsPictureAndShownFromTheTrayItLooksAsBefore) {
    const auto window = Shown();
    ASSERT_NE(window, nullptr);
    const HWND hwnd = window->Handle();
    const HWND slider = PaintedSlider(hwnd);
    ASSERT_NE(slider, nullptr);
    const std::vector<std::uint32_t> before = Shot(hwnd);
    ASSERT_FALSE(before.empty());
    // A real picture: the panel, the key around it, and the slider's own colours.
    RECT sliderRect;
    GetWindowRect(slider, &sliderRect);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&sliderRect), 2);
    RECT client;
    GetClientRect(hwnd, &client);
    const std::uint32_t key = 0x0000FF;  // blue as the DIB stores it
    const std::size_t sliderMiddle =
        static_cast<std::size_t>((sliderRect.top + sliderRect.bottom) / 2 * client.right +
                                 (sliderRect.left + sliderRect.right) / 2);
    ASSERT_GT(std::count(before.begin(), before.end(), key), 0);
    ASSERT_NE(before[sliderMiddle], key);
    ASSERT_NE(before[sliderMiddle], 0u);

    window->Dispatch([this] { form->YinCangImage_Click(); });
    ASSERT_FALSE(IsWindowVisible(hwnd));
    SendMessageW(hwnd, WM_MOUSEMOVE, form->Tray().id, tray::kLeftButtonUp);
    ASSERT_TRUE(IsWindowVisible(hwnd));
    UpdateWindow(hwnd);
    UpdateWindow(slider);

    const std::vector<std::uint32_t> after = Shot(hwnd);
    ASSERT_EQ(after.size(), before.size());
    std::size_t differ = 0;
    for (std::size_t i = 0; i < after.size(); ++i)
        differ += after[i] != before[i] ? 1 : 0;
    EXPECT_EQ(differ, 0u);
    EXPECT_TRUE(windowLog.lines.empty());
}

TEST_F(MainWindowRedrawTest, TicksWhileHiddenAskForNothingAndShowingPaintsTheWholeWindow) {
    const auto window = Shown();
    ASSERT_NE(window, nullptr);
    const HWND hwnd = window->Handle();
    window->Dispatch([this] { form->YinCangImage_Click(); });
    ASSERT_FALSE(IsWindowVisible(hwnd));
    const std::string kjsc = form->Controls().KJSC.text;
    Tick(hwnd);
    Tick(hwnd);
    ASSERT_NE(form->Controls().KJSC.text, kjsc);
    EXPECT_EQ(PendingKind(hwnd), NULLREGION);

    SendMessageW(hwnd, WM_MOUSEMOVE, form->Tray().id, tray::kLeftButtonUp);
    ASSERT_TRUE(IsWindowVisible(hwnd));
    RECT pending, client;
    GetClientRect(hwnd, &client);
    ASSERT_NE(GetUpdateRect(hwnd, &pending, FALSE), FALSE);
    EXPECT_TRUE(EqualRect(&pending, &client));
    // And a tick once shown asks again for the counters only.
    UpdateWindow(hwnd);
    Tick(hwnd);
    ASSERT_NE(GetUpdateRect(hwnd, &pending, FALSE), FALSE);
    EXPECT_FALSE(EqualRect(&pending, &client));
    EXPECT_TRUE(windowLog.lines.empty());
}

}  // namespace
}  // namespace qvx::app::win32
