#include "app/win32/reminder_pictures.h"

namespace qvx::app::win32 {

using Gdiplus::Color;
using Gdiplus::RectF;

namespace {

void ReminderBackground(const Canvas& c) {
    PanelWindowBackground(c, 22);
    RectF box = c.Box();
    float cx = box.X + box.Width / 2;
    c.Shapes([&](Gdiplus::Graphics& g) {
        // A warm halo around the mark.
        for (int i = 0; i < 4; ++i) {
            float r = 64.0f - i * 8.0f;
            Gdiplus::SolidBrush halo(Color(static_cast<BYTE>(22 + i * 12), 255, 150, 70));
            g.FillEllipse(&halo, cx - r, box.Y + 104 - r, 2 * r, 2 * r);
        }
        EyeTile(g, RectF(cx - 38, box.Y + 66, 76, 76));
        Gdiplus::Pen line(Color(255, 48, 63, 84), 1.0f);
        g.DrawLine(&line, box.X + 60, box.Y + 306, box.X + box.Width - 60, box.Y + 306);
    });
    c.Text(RectF(box.X + 22, box.Y + 14, 300, 22), L"Quorvex 护眼提醒",
           TextStyle{12.5f, false, kTextDim, Align::Left});
    c.Text(RectF(box.X, box.Y + 180, box.Width, 36), L"该休息一下啦",
           TextStyle{26.0f, true, kTextMain, Align::Centre});
    c.Text(RectF(box.X, box.Y + 226, box.Width, 26), L"您已连续使用电脑45分钟了",
           TextStyle{17.0f, true, RGB(255, 170, 110), Align::Centre});
    c.Text(RectF(box.X, box.Y + 258, box.Width, 26), L"起来走走，看看远方，让眼睛休息一下吧！",
           TextStyle{15.0f, false, RGB(201, 212, 224), Align::Centre});
    c.Text(RectF(box.X, box.Y + 318, box.Width, 22), L"小贴士：远眺窗外 20 秒，多眨眨眼，喝杯水",
           TextStyle{12.5f, false, kTextDim, Align::Centre});
}

}  // namespace

bool PaintReminderPicture(const Canvas& c, Picture picture) {
    const Color muted(255, 91, 110, 135);
    switch (picture) {
        case Picture::ReminderBackground:
            ReminderBackground(c);
            return true;
        case Picture::ReminderClose:
            Button(c, L"关闭", true, muted, RGB(255, 255, 255), 17.0f);
            return true;
        case Picture::ReminderNeverAgain:
            Button(c, L"不再提醒", false, muted, kTextMain, 17.0f);
            return true;
        case Picture::ReminderSnooze: {
            TextStyle link{14.0f, false, RGB(127, 178, 240), Align::Centre, true};
            c.Text(c.Box(), L"5分钟后提醒", link);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace qvx::app::win32
