#include "app/win32/settings_pictures.h"

namespace qvx::app::win32 {

using Gdiplus::Color;
using Gdiplus::RectF;

namespace {

const Color kMuted(255, 91, 110, 135);

void SettingsBackground(const Canvas& c) {
    PanelWindowBackground(c, 18);
    RectF box = c.Box();
    c.Shapes([&](Gdiplus::Graphics& g) {
        // Rules under the title and between the sections of the left column; the schedule's
        // column beyond a rule down the middle.
        Gdiplus::SolidBrush line(Color(255, 48, 63, 84));
        g.FillRectangle(&line, RectF(box.X + 20, box.Y + 54, box.Width - 40, 1));
        for (float y : {140.0f, 232.0f, 462.0f}) {
            g.FillRectangle(&line, RectF(box.X + 20, box.Y + y, 480, 1));
        }
        g.FillRectangle(&line, RectF(box.X + 520, box.Y + 70, 1, box.Height - 90));
    });
}

void CloseCross(const Canvas& c) {
    RectF box = Inset(c.Box(), 9.0f, 9.0f);
    c.Shapes([&](Gdiplus::Graphics& g) {
        Gdiplus::Pen pen(Color(255, 170, 185, 204), 2.0f);
        pen.SetLineCap(Gdiplus::LineCapRound, Gdiplus::LineCapRound, Gdiplus::DashCapRound);
        g.DrawLine(&pen, box.X, box.Y, box.X + box.Width, box.Y + box.Height);
        g.DrawLine(&pen, box.X + box.Width, box.Y, box.X, box.Y + box.Height);
    });
}

// A field that shows a hotkey; while it records, its border is the accent colour.
void HotkeyField(const Canvas& c, bool recording) {
    RectF box = Inset(c.Box(), 1.0f, 1.0f);
    c.Shapes([&](Gdiplus::Graphics& g) {
        Gdiplus::SolidBrush fill(recording ? Color(255, 52, 42, 36) : Color(255, 28, 38, 52));
        FillRound(g, box, 6, fill);
        StrokeRound(g, box, 6, recording ? kAccent : kCardBorder, recording ? 2.0f : 1.0f);
    });
}

// A choice of the schedule: the chosen one filled with the accent, the other outlined.
void OptionPill(const Canvas& c, bool on) {
    RectF box = Inset(c.Box(), 1.0f, 1.0f);
    c.Shapes([&](Gdiplus::Graphics& g) {
        Gdiplus::SolidBrush fill(on ? Color(255, 120, 62, 30) : Color(255, 28, 38, 52));
        FillRound(g, box, box.Height / 2, fill);
        StrokeRound(g, box, box.Height / 2, on ? kAccent : kCardBorder, on ? 2.0f : 1.0f);
    });
}

void PlaceRowBackdrop(const Canvas& c) {
    RectF box = Inset(c.Box(), 1.0f, 1.0f);
    c.Shapes([&](Gdiplus::Graphics& g) {
        Gdiplus::SolidBrush fill(Color(255, 36, 48, 66));
        FillRound(g, box, 5, fill);
    });
}

}  // namespace

bool PaintSettingsPicture(const Canvas& c, Picture picture) {
    switch (picture) {
        case Picture::SettingsBackground:
            SettingsBackground(c);
            return true;
        case Picture::SettingsClose:
            CloseCross(c);
            return true;
        case Picture::PauseHourButton:
            Button(c, L"暂停1小时", false, kMuted, kTextMain, 14.0f);
            return true;
        case Picture::PauseMorningButton:
            Button(c, L"暂停至明早", false, kMuted, kTextMain, 14.0f);
            return true;
        case Picture::AddProgramButton:
            Button(c, L"添加程序", true, kMuted, RGB(255, 255, 255), 14.0f);
            return true;
        case Picture::RemoveProgramButton:
            Button(c, L"移除", false, Color(255, 229, 101, 91), RGB(255, 150, 140), 13.0f);
            return true;
        case Picture::HotkeyField:
            HotkeyField(c, false);
            return true;
        case Picture::HotkeyFieldRecording:
            HotkeyField(c, true);
            return true;
        case Picture::OptionOff:
            OptionPill(c, false);
            return true;
        case Picture::OptionOn:
            OptionPill(c, true);
            return true;
        case Picture::TextFieldBox:
            HotkeyField(c, false);
            return true;
        case Picture::PlaceRow:
            PlaceRowBackdrop(c);
            return true;
        default:
            return false;
    }
}

}  // namespace qvx::app::win32
