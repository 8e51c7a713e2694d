#include "updater/win32/main_f_window.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <utility>

#include "base/win32/fonts.h"
#include "updater/win32/main_f_adapters.h"

namespace qvx::updater::win32 {
namespace {

using qvx::base::win32::Brush;
using qvx::base::win32::Font;
using qvx::base::win32::Pen;
using qvx::base::win32::Region;
using qvx::base::win32::SelectedObject;
using qvx::base::win32::WindowDc;

constexpr wchar_t kWindowClass[] = L"QvxUpgradedMainF";
constexpr wchar_t kProgressClass[] = L"QvxUpgradedProcM";
constexpr int kListId = 100;
constexpr int kProgressId = 101;
constexpr int kTopLabId = 102;
constexpr int kTipLabId = 103;
constexpr COLORREF kBarColor = RGB(0, 78, 152);
constexpr COLORREF kBackColor = RGB(255, 255, 255);
const LPCWSTR kArrowCursor = MAKEINTRESOURCEW(32512);  // IDC_ARROW
constexpr int kHeaderTwips = 720;                      // the heading band above the controls

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
    const Brush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &r, brush.Get());
}

// Top-to-bottom gradient, one line at a time.
void FillGradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom) {
    const int h = r.bottom - r.top;
    for (int y = 0; y < h; ++y) {
        const int t = h > 1 ? y * 255 / (h - 1) : 0;
        const COLORREF c = RGB((GetRValue(top) * (255 - t) + GetRValue(bottom) * t) / 255,
                               (GetGValue(top) * (255 - t) + GetGValue(bottom) * t) / 255,
                               (GetBValue(top) * (255 - t) + GetBValue(bottom) * t) / 255);
        FillSolid(dc, RECT{r.left, r.top + y, r.right, r.top + y + 1}, c);
    }
}

}  // namespace

MainFWindow::MainFWindow(HINSTANCE instance) : instance_(instance) {
    dpi_ = ::GetDeviceCaps(WindowDc(nullptr).Get(), LOGPIXELSY);
    if (dpi_ <= 0) {
        dpi_ = 96;
    }
}

MainFWindow::~MainFWindow() {
    if (hwnd_ != nullptr) {
        ::DestroyWindow(hwnd_);
    }
}

void MainFWindow::MakeFonts() {
    font_.Reset(MakeFont(9, FW_NORMAL));
    bannerFont_.Reset(MakeFont(13, FW_BOLD));
    bannerSmallFont_.Reset(MakeFont(10, FW_NORMAL));
}

void MainFWindow::ApplyDpi(int dpi, const RECT* suggested) {
    if (dpi <= 0 || dpi == dpi_) {
        return;
    }
    dpi_ = dpi;
    {
        // The old fonts go only once every child has the new one.
        const Font old[] = {std::move(font_), std::move(bannerFont_), std::move(bannerSmallFont_)};
        MakeFonts();
        for (const auto& [child, twips] : layout_) {
            const RECT p = PxRect(twips);
            ::SetWindowPos(child, nullptr, p.left, p.top, p.right - p.left, p.bottom - p.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
        }
    }
    if (suggested != nullptr) {
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

HFONT MainFWindow::MakeFont(int points, int weight) const {
    return ::CreateFontW(-MulDiv(points, dpi_, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                         CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                         qvx::base::win32::ChineseUiFace(L"Tahoma").c_str());
}

RECT MainFWindow::PxRect(const TwipRect& r) const {
    return RECT{Px(r.left), Px(r.top), Px(r.left + r.width), Px(r.top + r.height)};
}

HWND MainFWindow::MakeChild(const wchar_t* className, DWORD style, const TwipRect& r, int id) {
    const RECT p = PxRect(r);
    HWND child = ::CreateWindowExW(
        0, className, L"", WS_CHILD | style, p.left, p.top, p.right - p.left, p.bottom - p.top,
        hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    layout_.emplace_back(child, r);
    return child;
}

bool MainFWindow::Create(MainF& form) {
    form_ = &form;
    MakeFonts();
    background_.Reset(::CreateSolidBrush(kBackColor));

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance_;
    wc.hCursor = ::LoadCursorW(nullptr, kArrowCursor);
    wc.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(1));
    wc.hbrBackground = background_.Get();
    wc.lpszClassName = kWindowClass;
    ::RegisterClassExW(&wc);
    WNDCLASSEXW bar{};
    bar.cbSize = sizeof bar;
    bar.lpfnWndProc = ProgressProc;
    bar.hInstance = instance_;
    bar.hCursor = ::LoadCursorW(nullptr, kArrowCursor);
    bar.lpszClassName = kProgressClass;
    ::RegisterClassExW(&bar);

    const auto& v = form.View();
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT frame{0, 0, Px(v.clientWidth), Px(v.clientHeight)};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int w = frame.right - frame.left;
    const int h = frame.bottom - frame.top;
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - w) / 2;
    const int y = work.top + (work.bottom - work.top - h) / 2;
    hwnd_ = ::CreateWindowExW(0, kWindowClass, WideFromUtf8(v.title).c_str(), style, x, y, w, h,
                              nullptr, nullptr, instance_, this);
    if (hwnd_ == nullptr) {
        return false;
    }
    // The labels grow to the list's width, as an auto-sized label would, so that the longer
    // hints are not cut at the designed width.
    TwipRect topRect = v.TopLab.rect;
    TwipRect tipRect = v.TipLab.rect;
    topRect.width = std::max(topRect.width, v.ListM.rect.width);
    tipRect.width = std::max(tipRect.width, v.ListM.rect.width);
    topLab_ = MakeChild(L"STATIC", SS_LEFT | SS_NOPREFIX | WS_VISIBLE, topRect, kTopLabId);
    listM_ = MakeChild(
        L"LISTBOX",
        LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE,
        v.ListM.rect, kListId);
    tipLab_ = MakeChild(L"STATIC", SS_LEFT | SS_NOPREFIX | WS_VISIBLE, tipRect, kTipLabId);
    procM_ = MakeChild(kProgressClass, 0, v.ProcM.rect, kProgressId);
    exit_ = MakeChild(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, v.Exit.rect, IDCANCEL);
    nextCmd_ =
        MakeChild(L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, v.NextCmd.rect, IDOK);
    ::SetWindowPos(procM_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Sync();
    return true;
}

void MainFWindow::Sync() {
    if (hwnd_ == nullptr || form_ == nullptr || ending_) {
        return;
    }
    const auto& v = form_->View();
    auto text = [this](HWND w, std::string& shown, const std::string& wanted) {
        if (!synced_ || shown != wanted) {
            ::SetWindowTextW(w, WideFromUtf8(wanted).c_str());
            shown = wanted;
        }
    };
    text(topLab_, shownTop_, v.TopLab.caption);
    text(tipLab_, shownTip_, v.TipLab.caption);
    text(nextCmd_, shownNext_, v.NextCmd.caption);
    text(exit_, shownExit_, v.Exit.caption);
    ::ShowWindow(topLab_, v.TopLab.visible ? SW_SHOWNA : SW_HIDE);
    // The bar lies over the hint line and covers it while it is shown.
    ::ShowWindow(tipLab_, v.TipLab.visible && !v.ProcM.visible ? SW_SHOWNA : SW_HIDE);
    if (!synced_ || shownProgress_ != v.ProcM.visible) {
        ::ShowWindow(procM_, v.ProcM.visible ? SW_SHOWNA : SW_HIDE);
        shownProgress_ = v.ProcM.visible;
    }
    const bool fillsChanged =
        shownFills_.size() != v.ProcM.fills.size() ||
        !std::equal(shownFills_.begin(), shownFills_.end(), v.ProcM.fills.begin(),
                    [](const FilledRect& a, const FilledRect& b) {
                        return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
                    });
    if (fillsChanged) {
        shownFills_ = v.ProcM.fills;
        ::InvalidateRect(procM_, nullptr, TRUE);
    }
    ::EnableWindow(listM_, v.ListM.enabled);
    ::EnableWindow(exit_, v.Exit.enabled);
    ::EnableWindow(nextCmd_, v.NextCmd.enabled);
    SyncList();
    // Keep the keyboard usable: the action button takes the focus when nothing usable has it.
    HWND focus = ::GetFocus();
    if (v.NextCmd.enabled && ::IsWindowVisible(hwnd_) &&
        (focus == nullptr || focus == hwnd_ || !::IsWindowEnabled(focus))) {
        ::SetFocus(nextCmd_);
    }
    synced_ = true;
}

void MainFWindow::SyncList() {
    const auto& list = form_->View().ListM;
    if (list.items != shownItems_) {
        ::SendMessageW(listM_, WM_SETREDRAW, FALSE, 0);
        const int top = static_cast<int>(::SendMessageW(listM_, LB_GETTOPINDEX, 0, 0));
        ::SendMessageW(listM_, LB_RESETCONTENT, 0, 0);
        for (const std::string& item : list.items) {
            ::SendMessageW(listM_, LB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(WideFromUtf8(item).c_str()));
        }
        ::SendMessageW(listM_, LB_SETTOPINDEX, static_cast<WPARAM>(top < 0 ? 0 : top), 0);
        ::SendMessageW(listM_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(listM_, nullptr, TRUE);
        shownItems_ = list.items;
        shownIndex_ = -2;
    }
    if (list.listIndex != shownIndex_) {
        ::SendMessageW(listM_, LB_SETCURSEL, static_cast<WPARAM>(list.listIndex), 0);
        shownIndex_ = list.listIndex;
    }
}

void MainFWindow::ShowAndDoEvents() {
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    Sync();
    ::UpdateWindow(hwnd_);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!::IsDialogMessageW(hwnd_, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void MainFWindow::EndProgram() {
    // The updater ends at once, from whatever handler or transfer it is in; a download in
    // progress is not finished and nothing is cleaned up.
    ending_ = true;
    ::ExitProcess(0);
}

int MainFWindow::Run() {
    if (!::IsWindowVisible(hwnd_)) {
        ::ShowWindow(hwnd_, SW_SHOW);
    }
    Sync();
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(hwnd_, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

void MainFWindow::OnCommand(int id, int code) {
    if (form_ == nullptr || ending_) {
        return;
    }
    if (id == IDOK && (code == BN_CLICKED || code == 0)) {
        // Enter reaches here too; a disabled button does nothing.
        if (form_->View().NextCmd.enabled) {
            form_->NextCmd_Click();
        }
    } else if (id == IDCANCEL && (code == BN_CLICKED || code == 0)) {
        form_->Exit_Click();
    } else if (id == kListId && code == LBN_SELCHANGE) {
        form_->View().ListM.listIndex =
            static_cast<int>(::SendMessageW(listM_, LB_GETCURSEL, 0, 0));
        shownIndex_ = form_->View().ListM.listIndex;
        form_->ListM_Click();
    }
    Sync();
}

LRESULT CALLBACK MainFWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        reinterpret_cast<MainFWindow*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<MainFWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

LRESULT MainFWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetBkColor(dc, kBackColor);
            ::SetTextColor(dc, RGB(32, 32, 32));
            return reinterpret_cast<LRESULT>(background_.Get());
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(hwnd_, &ps);
            Paint(dc);
            ::EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_CLOSE:
            if (form_ != nullptr) {
                form_->Exit_Click();
            }
            return 0;
        case WM_DPICHANGED:  // moved to a monitor of other scaling (per-monitor aware)
            ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void MainFWindow::Paint(HDC dc) {
    const auto& v = form_->View();
    RECT client;
    ::GetClientRect(hwnd_, &client);
    // Heading band.
    RECT header{0, 0, client.right, Px(kHeaderTwips)};
    FillGradient(dc, header, RGB(0, 96, 180), RGB(0, 60, 128));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(255, 255, 255));
    {
        const SelectedObject font(dc, bannerFont_.Get());
        RECT headerText{Px(240), 0, client.right - Px(240), header.bottom};
        ::DrawTextW(dc, L"Quorvex 系统在线升级", -1, &headerText,
                    DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    }
    if (v.PicM.visible) {
        PaintBanner(dc, PxRect(v.PicM.rect));
    }
    // Line1: an etched horizontal line.
    const Pen dark(::CreatePen(PS_SOLID, 1, RGB(160, 160, 160)));
    const Pen light(::CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    SelectedObject pen(dc, dark.Get());
    ::MoveToEx(dc, Px(v.Line1.x1), Px(v.Line1.y), nullptr);
    ::LineTo(dc, Px(v.Line1.x2), Px(v.Line1.y));
    pen.Select(light.Get());
    ::MoveToEx(dc, Px(v.Line1.x1), Px(v.Line1.y) + 1, nullptr);
    ::LineTo(dc, Px(v.Line1.x2), Px(v.Line1.y) + 1);
}

// The banner picture: a blue panel with a shield carrying an upward arrow, and the name.
void MainFWindow::PaintBanner(HDC dc, const RECT& area) {
    FillGradient(dc, area, RGB(0, 120, 215), RGB(0, 48, 110));
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    const int cx = area.left + w / 2;
    const int top = area.top + h / 8;
    const int sw = w * 3 / 10;  // half width of the shield
    const int sh = h * 4 / 10;  // height of the shield
    POINT shield[] = {{cx, top},      {cx + sw, top + sh / 6}, {cx + sw, top + sh / 2},
                      {cx, top + sh}, {cx - sw, top + sh / 2}, {cx - sw, top + sh / 6}};
    const Brush shieldBrush(::CreateSolidBrush(RGB(235, 244, 255)));
    const Pen shieldPen(::CreatePen(PS_SOLID, std::max(1, Px(30)), RGB(160, 200, 240)));
    const Brush arrowBrush(::CreateSolidBrush(kBarColor));
    const Pen arrowPen(::CreatePen(PS_SOLID, 1, kBarColor));
    SelectedObject brush(dc, shieldBrush.Get());
    SelectedObject pen(dc, shieldPen.Get());
    ::Polygon(dc, shield, 6);
    const int aw = sw / 2;  // arrow head half width
    const int ay = top + sh / 5;
    POINT arrow[] = {{cx, ay},
                     {cx + aw, ay + aw},
                     {cx + aw / 2, ay + aw},
                     {cx + aw / 2, top + sh * 3 / 4},
                     {cx - aw / 2, top + sh * 3 / 4},
                     {cx - aw / 2, ay + aw},
                     {cx - aw, ay + aw}};
    brush.Select(arrowBrush.Get());
    pen.Select(arrowPen.Get());
    ::Polygon(dc, arrow, 7);

    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(255, 255, 255));
    SelectedObject font(dc, bannerFont_.Get());
    RECT name{area.left, top + sh + h / 16, area.right, top + sh + h / 16 + Px(330)};
    ::DrawTextW(dc, L"Quorvex", -1, &name, DT_SINGLELINE | DT_CENTER | DT_NOPREFIX);
    font.Select(bannerSmallFont_.Get());
    RECT sub{area.left, name.bottom, area.right, name.bottom + Px(300)};
    ::DrawTextW(dc, L"在线升级", -1, &sub, DT_SINGLELINE | DT_CENTER | DT_NOPREFIX);
}

LRESULT CALLBACK MainFWindow::ProgressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        auto* self =
            reinterpret_cast<MainFWindow*>(::GetWindowLongPtrW(::GetParent(hwnd), GWLP_USERDATA));
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        if (self != nullptr && self->form_ != nullptr) {
            self->PaintProgress(hwnd, dc);
        }
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        return 1;  // painted whole in WM_PAINT
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// The bar's fills are in its scale units: the inner area inside the sunken border.
void MainFWindow::PaintProgress(HWND bar, HDC dc) {
    const auto& box = form_->View().ProcM;
    RECT r;
    ::GetClientRect(bar, &r);
    FillSolid(dc, r, RGB(250, 250, 250));
    ::DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
    RECT inner{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    if (box.scaleWidth <= 0 || box.scaleHeight <= 0) {
        return;
    }
    const double sx = (inner.right - inner.left) / box.scaleWidth;
    const double sy = (inner.bottom - inner.top) / box.scaleHeight;
    const Region clip(::CreateRectRgn(inner.left, inner.top, inner.right, inner.bottom));
    ::SelectClipRgn(dc, clip.Get());
    for (const FilledRect& f : box.fills) {
        const double left = std::min(f.x1, f.x2);
        const double right = std::max(f.x1, f.x2);
        const double topY = std::min(f.y1, f.y2);
        const double bottomY = std::max(f.y1, f.y2);
        // Both corners belong to the filled box, so one more pixel to the right and below.
        RECT p{inner.left + static_cast<LONG>(std::lround(left * sx)),
               inner.top + static_cast<LONG>(std::lround(topY * sy)),
               inner.left + static_cast<LONG>(std::lround(right * sx)) + 1,
               inner.top + static_cast<LONG>(std::lround(bottomY * sy)) + 1};
        FillSolid(dc, p, kBarColor);
    }
    ::SelectClipRgn(dc, nullptr);
}

}  // namespace qvx::updater::win32
