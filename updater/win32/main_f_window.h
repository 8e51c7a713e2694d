#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/win32/dpi.h"
#include "base/win32/scoped.h"
#include "updater/main_f.h"
#include "updater/main_f_ports.h"

namespace qvx::updater::win32 {

// The updater's window: real controls projected from MainF's view model after every handler,
// the banner and the progress bar drawn with GDI, sizes scaled from twips by the screen's dpi.
// NextCmd answers Enter (IDOK) and Exit answers Escape (IDCANCEL).
class MainFWindow : public MainFHost {
public:
    explicit MainFWindow(HINSTANCE instance);
    ~MainFWindow() override;
    MainFWindow(const MainFWindow&) = delete;
    MainFWindow& operator=(const MainFWindow&) = delete;

    // Creates the window and its controls, hidden, laid out from the form's view model.
    bool Create(MainF& form);
    // The program's message loop; returns when the window is gone.
    int Run();

    updlib::WindowHandle Handle() override { return reinterpret_cast<updlib::WindowHandle>(hwnd_); }
    HWND Hwnd() const { return hwnd_; }
    void ShowAndDoEvents() override;
    void ModelChanged() override { Sync(); }
    void EndProgram() override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ProgressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    void Sync();
    void SyncList();
    void Paint(HDC dc);
    void PaintBanner(HDC dc, const RECT& area);
    void PaintProgress(HWND bar, HDC dc);
    int Px(int twips) const { return qvx::base::win32::TwipsToPixels(twips, dpi_ / 96.0); }
    RECT PxRect(const TwipRect& r) const;
    HWND MakeChild(const wchar_t* className, DWORD style, const TwipRect& r, int id);
    HFONT MakeFont(int points, int weight) const;
    void MakeFonts();
    // Lays the window out again for another monitor's scaling.
    void ApplyDpi(int dpi, const RECT* suggested);

    HINSTANCE instance_;
    MainF* form_ = nullptr;
    HWND hwnd_ = nullptr;
    HWND topLab_ = nullptr;
    HWND listM_ = nullptr;
    HWND tipLab_ = nullptr;
    HWND procM_ = nullptr;
    HWND exit_ = nullptr;
    HWND nextCmd_ = nullptr;
    qvx::base::win32::Font font_;
    qvx::base::win32::Font bannerFont_;
    qvx::base::win32::Font bannerSmallFont_;
    qvx::base::win32::Brush background_;
    int dpi_ = 96;
    bool ending_ = false;
    // Every control with its place in twips, to be laid out again when the scaling changes.
    std::vector<std::pair<HWND, TwipRect>> layout_;

    // What the controls show now, so that Sync touches only what changed.
    std::vector<std::string> shownItems_;
    std::vector<FilledRect> shownFills_;
    std::string shownTop_, shownTip_, shownNext_, shownExit_;
    int shownIndex_ = -2;
    bool shownProgress_ = false;
    bool synced_ = false;
};

}  // namespace qvx::updater::win32
