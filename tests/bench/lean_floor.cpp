// The floor of a lean program at rest (tests/bench/lean_at_rest.sh compares quorvex.exe with
// it): one 750x450 window, one tray icon and a one-second timer that loads a gamma ramp on the
// screen's context and repaints a line of Chinese text in the face and font set-up of
// quorvex.exe's labels. What quorvex.exe spends beyond it at rest is its own.
//
//   qvx_lean_floor.exe         runs until its window is closed

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "base/win32/fonts.h"
#include "base/win32/scoped.h"

namespace {

constexpr wchar_t kClassName[] = L"QvxLeanFloor";
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kTrayId = 1;

struct Floor {
    std::wstring face;
    int ticks = 0;
    WORD ramp[3][256] = {};
};

// The warm ramp of a middle tint strength: blue and green pulled down, red full.
void FillRamp(WORD (&ramp)[3][256]) {
    for (int i = 0; i < 256; ++i) {
        const int level = i * 257;
        ramp[0][i] = static_cast<WORD>(level);
        ramp[1][i] = static_cast<WORD>(level * 90 / 100);
        ramp[2][i] = static_cast<WORD>(level * 70 / 100);
    }
}

void Paint(HWND window, const Floor& floor) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    // The labels' font set-up: 13 pt at 96 dpi, antialiased TrueType, any character set.
    const qvx::base::win32::Font font(CreateFontW(
        -17, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
        CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, floor.face.c_str()));
    const qvx::base::win32::SelectedObject selected(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(234, 240, 247));
    wchar_t text[64];
    std::swprintf(text, 64, L"今日已使用电脑 %d 秒，请注意休息", floor.ticks);
    RECT line{40, 200, client.right - 40, 240};
    DrawTextW(dc, text, -1, &line, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    EndPaint(window, &ps);
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* floor = reinterpret_cast<Floor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_TIMER:
            if (floor && wParam == kTickTimer) {
                ++floor->ticks;
                const qvx::base::win32::WindowDc screen(nullptr);
                SetDeviceGammaRamp(screen.Get(), floor->ramp);
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_PAINT:
            if (floor) {
                Paint(window, *floor);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Floor floor;
    floor.face = qvx::base::win32::ChineseUiFace(L"微软雅黑");
    FillRamp(floor.ramp);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
        return 1;
    RECT frame{0, 0, 750, 450};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND window = CreateWindowExW(0, kClassName, L"Quorvex floor", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                  frame.bottom - frame.top, nullptr, nullptr, instance, &floor);
    if (!window)
        return 1;

    NOTIFYICONDATAW tray{};
    tray.cbSize = sizeof tray;
    tray.hWnd = window;
    tray.uID = kTrayId;
    tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    tray.uCallbackMessage = kTrayMessage;
    tray.hIcon = wc.hIcon;
    wcscpy_s(tray.szTip, L"Quorvex floor");
    Shell_NotifyIconW(NIM_ADD, &tray);

    ShowWindow(window, SW_SHOWNORMAL);
    SetTimer(window, kTickTimer, 1000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Shell_NotifyIconW(NIM_DELETE, &tray);
    return 0;
}
