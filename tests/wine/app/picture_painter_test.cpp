// The drawn pictures: every picture draws inside its rectangle and nowhere else, window
// backgrounds leave exactly the colour key outside their outline with no bluish fringe, the
// drawing scales with the DPI, and the face chosen for the Chinese texts holds their glyphs.

#include <windows.h>

#include <gtest/gtest.h>

#include "app/form_controls.h"
#include "app/win32/form_surface.h"
#include "app/win32/picture_painter.h"

namespace qvx::app::win32 {
namespace {

constexpr std::uint32_t kKeyPixel = 0x0000FF;  // BGRA in memory: blue in the low byte

struct Counts {
    int inside = 0;   // non-key pixels inside the rectangle
    int outside = 0;  // non-key pixels outside it
    int fringe = 0;   // bluish pixels that are not the exact key
};

Counts PaintAndCount(const PicturePainter& painter, Picture picture, const TwipRect& rect,
                     double scale, int width, int height) {
    Bitmap32 canvas;
    EXPECT_TRUE(canvas.Resize(width, height));
    HBRUSH key = CreateSolidBrush(kColourKey);
    RECT all{0, 0, width, height};
    FillRect(canvas.Dc(), &all, key);
    DeleteObject(key);
    painter.Paint(canvas.Dc(), picture, rect, scale);
    GdiFlush();
    Counts counts;
    int l = TwipsToPixels(rect.left, scale), t = TwipsToPixels(rect.top, scale);
    int r = TwipsToPixels(rect.left + rect.width, scale),
        b = TwipsToPixels(rect.top + rect.height, scale);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = canvas.Pixels()[y * width + x] & 0xFFFFFF;
            if (p == kKeyPixel)
                continue;
            bool in = x >= l && x < r && y >= t && y < b;
            (in ? counts.inside : counts.outside)++;
            int blue = p & 0xFF, green = (p >> 8) & 0xFF, red = (p >> 16) & 0xFF;
            if (blue > 150 && red < 40 && green < 40)
                counts.fringe++;
        }
    }
    return counts;
}

TEST(PicturePainter, EveryPictureDrawsInsideItsRectangleOnly) {
    PicturePainter painter;
    // Rectangles as the forms lay them out (twips), placed away from the canvas edge.
    struct Case {
        Picture picture;
        TwipRect rect;
    } cases[] = {
        {Picture::Logo, {300, 150, 1560, 555}},
        {Picture::ExitButton, {8515, 165, 1035, 495}},
        {Picture::HideButton, {10005, 165, 1035, 495}},
        {Picture::WebsiteButton, {8164, 6030, 1365, 480}},
        {Picture::DownloadLink, {260, 6240, 5940, 315}},
        {Picture::SmartOff, {4420, 3550, 1785, 510}},
        {Picture::SmartOn, {4420, 3550, 1785, 510}},
        {Picture::ReminderOff, {4440, 4350, 1785, 510}},
        {Picture::AutoStartOn, {4420, 5190, 1785, 510}},
        {Picture::Preset01, {9720, 1830, 1035, 1155}},
        {Picture::Preset07, {460, 1830, 1035, 1155}},
        {Picture::PresetSelected03, {6635, 1830, 1035, 1155}},
        {Picture::TintPanel, {300, 900, 10650, 2250}},
        {Picture::SettingsPanel, {300, 3300, 6200, 2600}},
        {Picture::CounterPanel, {6600, 3300, 4500, 2600}},
        {Picture::ReminderClose, {1370, 5400, 2220, 795}},
        {Picture::ReminderNeverAgain, {3700, 5400, 2220, 795}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.picture));
        Counts counts = PaintAndCount(painter, c.picture, c.rect, 1.0, 760, 460);
        int area = c.rect.width / 15 * (c.rect.height / 15);
        EXPECT_GT(counts.inside, area / 20);  // a real drawing, not a stray pixel
        EXPECT_EQ(counts.outside, 0);
    }
}

TEST(PicturePainter, SwitchPicturesDifferBetweenOnAndOff) {
    PicturePainter painter;
    TwipRect rect{0, 0, 1785, 510};
    auto pixels = [&](Picture p) {
        Bitmap32 canvas;
        canvas.Resize(120, 34);
        painter.Paint(canvas.Dc(), p, rect, 1.0);
        GdiFlush();
        return std::vector<std::uint32_t>(canvas.Pixels(), canvas.Pixels() + 120 * 34);
    };
    EXPECT_NE(pixels(Picture::SmartOn), pixels(Picture::SmartOff));
    EXPECT_NE(pixels(Picture::Preset03), pixels(Picture::PresetSelected03));
}

TEST(PicturePainter, WindowBackgroundsLeaveTheExactKeyOutsideTheirOutline) {
    PicturePainter painter;
    struct Case {
        Picture picture;
        TwipRect rect;
        int width, height;
    } cases[] = {
        {Picture::MainBackground, {0, 0, 11250, 6750}, 753, 452},
        {Picture::ReminderBackground, {0, 0, 7320, 6765}, 489, 452},
    };
    for (double scale : {1.0, 1.5, 2.0}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << static_cast<int>(c.picture) << " at " << scale);
            int w = static_cast<int>(c.width * scale), h = static_cast<int>(c.height * scale);
            Bitmap32 canvas;
            ASSERT_TRUE(canvas.Resize(w, h));
            HBRUSH key = CreateSolidBrush(kColourKey);
            RECT all{0, 0, w, h};
            FillRect(canvas.Dc(), &all, key);
            DeleteObject(key);
            painter.Paint(canvas.Dc(), c.picture, c.rect, scale);
            GdiFlush();
            auto at = [&](int x, int y) { return canvas.Pixels()[y * w + x] & 0xFFFFFF; };
            // Rounded corners and the strip right of / below the picture are the key.
            EXPECT_EQ(at(0, 0), kKeyPixel);
            EXPECT_EQ(at(w - 1, h - 1), kKeyPixel);
            EXPECT_EQ(at(TwipsToPixels(c.rect.width, scale) - 1, 0), kKeyPixel);
            // The panel itself is not.
            EXPECT_NE(at(w / 2, h / 2), kKeyPixel);
            EXPECT_NE(at(TwipsToPixels(c.rect.width, scale) / 2, 2), kKeyPixel);
            Counts counts = PaintAndCount(painter, c.picture, c.rect, scale, w, h);
            EXPECT_EQ(counts.fringe, 0);
            EXPECT_EQ(counts.outside, 0);
        }
    }
}

TEST(PicturePainter, DrawsAtTheWindowsScale) {
    PicturePainter painter;
    TwipRect rect{0, 0, 1035, 1155};
    Counts small = PaintAndCount(painter, Picture::Preset04, rect, 1.0, 160, 160);
    Counts large = PaintAndCount(painter, Picture::Preset04, rect, 2.0, 160, 160);
    EXPECT_EQ(large.outside, 0);
    EXPECT_GT(large.inside, small.inside * 3);
}

TEST(PicturePainter, TheFaceForChineseTextsHoldsTheirGlyphs) {
    PicturePainter painter;
    std::wstring face = painter.FontFace("微软雅黑");
    ASSERT_FALSE(face.empty());
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font =
        CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                    CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, face.c_str());
    HGDIOBJ old = SelectObject(dc, font);
    const wchar_t text[] = L"色温调节疲劳提醒护眼关闭不再提醒";
    WORD glyphs[32] = {};
    int n = static_cast<int>(wcslen(text));
    ASSERT_EQ(GetGlyphIndicesW(dc, text, n, glyphs, GGI_MARK_NONEXISTING_GLYPHS),
              static_cast<DWORD>(n));
    for (int i = 0; i < n; ++i)
        EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for character " << i;
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
}

TEST(PicturePainter, TheHoverLookLightsUpInsideTheImageOnly) {
    PicturePainter painter;
    TwipRect rect{300, 300, 1035, 1155};
    auto paint = [&](Picture picture, bool hover) {
        Bitmap32 canvas;
        canvas.Resize(120, 120);
        RECT all{0, 0, 120, 120};
        HBRUSH panel = CreateSolidBrush(RGB(38, 52, 72));
        FillRect(canvas.Dc(), &all, panel);
        DeleteObject(panel);
        painter.Paint(canvas.Dc(), picture, rect, 1.0);
        if (hover)
            painter.PaintHover(canvas.Dc(), picture, rect, 1.0);
        GdiFlush();
        return std::vector<std::uint32_t>(canvas.Pixels(), canvas.Pixels() + 120 * 120);
    };
    std::vector<std::uint32_t> plain = paint(Picture::Preset04, false),
                               lit = paint(Picture::Preset04, true);
    int brighter = 0, outside = 0;
    for (int i = 0; i < 120 * 120; ++i) {
        int x = i % 120, y = i / 120;
        bool in = x >= 20 && x < 20 + 69 && y >= 20 && y < 20 + 77;
        if (plain[i] != lit[i])
            (in ? brighter : outside)++;
    }
    EXPECT_GT(brighter, 69 * 77 / 2);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(paint(Picture::DownloadLink, false),
              paint(Picture::DownloadLink, true));  // hand cursor only
}

}  // namespace
}  // namespace qvx::app::win32
