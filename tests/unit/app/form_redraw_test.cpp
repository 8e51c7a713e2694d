// What a drawn window paints again after a handler: the whole window when an image changed, else
// only the labels whose paint changed; and what one second of the session changes on the real
// main form.

#include <string>
#include <vector>

#include "app/form_redraw.h"
#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app {
namespace {

LabelControl Label(int left, const std::string& text) {
    LabelControl label;
    label.rect = {left, 100, 1095, 375};
    label.text = text;
    return label;
}

ImageControl Image(int left, Picture picture) {
    ImageControl image;
    image.rect = {left, 0, 1000, 500};
    image.picture = picture;
    return image;
}

// Three labels over two images, as painted.
FormLook Painted() {
    FormLook look;
    look.labels = {Label(0, "00:00:01"), Label(2000, "45"), Label(4000, "")};
    look.labels[2].visible = false;
    look.images = {Image(0, Picture::MainBackground), Image(3000, Picture::SmartOff)};
    return look;
}

TEST(RedrawBetween, PaintsTheWholeWindowForImagesAndOnlyChangedLabelsOtherwise) {
    struct Case {
        const char* name;
        void (*change)(FormLook&);
        bool whole;
        std::vector<std::size_t> labels;
    } cases[] = {
        {"nothing changed", [](FormLook&) {}, false, {}},
        {"a counter's text", [](FormLook& l) { l.labels[0].text = "00:00:02"; }, false, {0}},
        {"two texts, in paint order",
         [](FormLook& l) {
             l.labels[1].text = "44";
             l.labels[0].text = "00:00:02";
         },
         false,
         {0, 1}},
        {"a label's colour", [](FormLook& l) { l.labels[1].color = 0x6060FF; }, false, {1}},
        {"a label's font size", [](FormLook& l) { l.labels[1].fontSize = 40; }, false, {1}},
        {"a label's face", [](FormLook& l) { l.labels[1].fontName = "SimSun"; }, false, {1}},
        {"a label moved", [](FormLook& l) { l.labels[0].rect.top += 15; }, false, {0}},
        {"a label hidden", [](FormLook& l) { l.labels[0].visible = false; }, false, {0}},
        {"a label emptied", [](FormLook& l) { l.labels[0].text.clear(); }, false, {0}},
        {"a hidden label shown with a text",
         [](FormLook& l) {
             l.labels[2].visible = true;
             l.labels[2].text = "notice";
         },
         false,
         {2}},
        {"a hidden label's text and colour: nothing shows",
         [](FormLook& l) {
             l.labels[2].text = "notice";
             l.labels[2].color = 0x123456;
         },
         false,
         {}},
        {"a hidden label shown without a text: nothing shows",
         [](FormLook& l) { l.labels[2].visible = true; },
         false,
         {}},
        {"an image shown or hidden", [](FormLook& l) { l.images[1].visible = false; }, true, {}},
        {"an image's picture",
         [](FormLook& l) { l.images[1].picture = Picture::SmartOn; },
         true,
         {}},
        {"an image moved", [](FormLook& l) { l.images[1].rect.left += 15; }, true, {}},
        {"an image and a label",
         [](FormLook& l) {
             l.images[1].visible = false;
             l.labels[0].text = "00:00:02";
         },
         true,
         {}},
        {"one image more",
         [](FormLook& l) { l.images.push_back(Image(5000, Picture::Logo)); },
         true,
         {}},
        {"one label less", [](FormLook& l) { l.labels.pop_back(); }, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormLook now = Painted();
        c.change(now);
        const Redraw redraw = RedrawBetween(Painted(), now);
        EXPECT_EQ(redraw.whole, c.whole);
        if (!c.whole) {
            EXPECT_EQ(redraw.labels, c.labels);
        }
        EXPECT_EQ(redraw.Nothing(), !c.whole && c.labels.empty());
    }
}

// The main form's labels to paint again after one session tick, against the look before it.
class MainFormRedrawTest : public MainFormFixture {
protected:
    using Labels = std::vector<const LabelControl*>;

    FormLook Look() const { return LookOf(C().LabelsInPaintOrder(), C().ImagesInPaintOrder()); }
    Labels RedrawnByTick(std::uint32_t idleMs = 0) {
        const FormLook before = Look();
        Tick(idleMs);
        const Redraw redraw = RedrawBetween(before, Look());
        EXPECT_FALSE(redraw.whole);
        Labels labels;
        for (std::size_t i : redraw.labels)
            labels.push_back(C().LabelsInPaintOrder()[i]);
        return labels;
    }
};

TEST_F(MainFormRedrawTest, ASecondRepaintsTheCountersAndTheCountdownWhenItMoves) {
    Start();
    Tick();  // the first tick's server exchange is behind
    const Labels counters{&C().KJSC, &C().LJSY, &C().BCSC, &C().ZDSC};
    EXPECT_EQ(RedrawnByTick(), counters);

    // Within a minute of use the countdown goes from 45 to 44, painted with the counters.
    int ticks = 0;
    Labels redrawn;
    do {
        redrawn = RedrawnByTick();
    } while (C().PLSYSJ.text == "45" && ++ticks < 60 && redrawn == counters);
    EXPECT_EQ(C().PLSYSJ.text, "44");
    EXPECT_EQ(redrawn, (Labels{&C().PLSYSJ, &C().KJSC, &C().LJSY, &C().BCSC, &C().ZDSC}));

    // Back after ten minutes away: the countdown starts again and the stretch of use is over;
    // the day's use and the longest stretch stay as they were.
    EXPECT_EQ(RedrawnByTick(10 * 60 * 1000), (Labels{&C().PLSYSJ, &C().KJSC, &C().BCSC}));
    EXPECT_EQ(C().PLSYSJ.text, "45");
    EXPECT_EQ(C().BCSC.text, "00:00:00");
}

}  // namespace
}  // namespace qvx::app
