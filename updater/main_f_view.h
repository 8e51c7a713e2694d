#pragma once
// The retained view model of the updater window. Handlers change these plain values; the Win32
// window paints them and turns messages into handler calls. Positions are in twips (15 twips =
// 1 pixel at 96 dpi); texts are UTF-8.

#include <cstdint>
#include <string>
#include <vector>

namespace qvx::updater {

struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct Label {
    TwipRect rect;
    std::string caption;
    bool visible = true;
};

struct Button {
    TwipRect rect;
    std::string caption;
    bool enabled = true;
};

struct ListBox {
    TwipRect rect;
    std::vector<std::string> items;
    int listIndex = -1;  // selected entry, -1 for none
    bool enabled = true;
};

// One filled rectangle of the progress bar, corners in the bar's own scale units.
struct FilledRect {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
};

// The progress bar picture box: what has been filled since it was last cleared.
struct ProgressBox {
    TwipRect rect;
    bool visible = false;
    double scaleWidth = 0;        // inner width in scale units (twips inside the border)
    double scaleHeight = 0;       // inner height in scale units
    std::uint32_t fillColor = 0;  // 0x00BBGGRR
    std::vector<FilledRect> fills;
};

struct HorizontalLine {
    int x1 = 0;
    int x2 = 0;
    int y = 0;
};

struct Banner {
    TwipRect rect;
    bool visible = true;
};

// Everything the updater window shows.
struct MainFView {
    std::string title;
    int clientWidth = 0;   // twips
    int clientHeight = 0;  // twips
    Banner PicM;
    Label TopLab;
    ListBox ListM;
    Label TipLab;
    ProgressBox ProcM;
    HorizontalLine Line1;
    Button Exit;
    Button NextCmd;
};

}  // namespace qvx::updater
