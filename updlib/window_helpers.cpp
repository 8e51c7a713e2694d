#include "updlib/trovapi.h"

namespace qvx::updlib {
namespace {

constexpr std::uint32_t kWmClose = 0x0010;
constexpr std::uint32_t kWmKeyDown = 0x0100;
constexpr std::uint32_t kWmSysCommand = 0x0112;
constexpr std::uintptr_t kScClose = 0xF060;
constexpr std::uintptr_t kScScreenSave = 0xF140;
constexpr std::uint32_t kNoMoveNoSize = 0x0002 | 0x0001;
constexpr WindowHandle kInsertTopmost = static_cast<WindowHandle>(-1);
constexpr WindowHandle kInsertNotTopmost = static_cast<WindowHandle>(-2);
constexpr WindowHandle kInsertBottom = 1;
constexpr std::uintptr_t kVirtualKeyF5 = 116;
constexpr std::intptr_t kF5KeyData = 0x003F0001;  // repeat count 1, scan code 3F

}  // namespace

bool trovapi::PostKillForm(const std::string& formstr) {
    killFormScratch_ = ports_.windows.FindWindowByTitle(formstr);
    if (killFormScratch_ == 0) {
        return false;
    }
    return ports_.windows.PostWindowMessage(killFormScratch_, kWmClose, 0, 0);
}

bool trovapi::SendKillForm(const std::string& formstr) {
    killFormScratch_ = ports_.windows.FindWindowByTitle(formstr);
    if (killFormScratch_ == 0) {
        return false;
    }
    // A window that handles the close command answers 0, so the answer says nothing about
    // success; finding the window and delivering the command is what counts.
    ports_.windows.SendWindowMessage(killFormScratch_, kWmSysCommand, kScClose, 0);
    return true;
}

void trovapi::Position(WindowHandle hWnd, WindowHandle insertAfter) {
    positionScratch_ = ports_.windows.SetWindowPos(hWnd, insertAfter, kNoMoveNoSize);
}

void trovapi::FormUp(WindowHandle hWnd) {
    Position(hWnd, kInsertTopmost);
}

void trovapi::FormZC(WindowHandle hWnd) {
    Position(hWnd, kInsertNotTopmost);
}

void trovapi::FormDown(WindowHandle hWnd) {
    Position(hWnd, kInsertBottom);
}

void trovapi::FormANI(WindowHandle hWnd, const std::string& anipath) {
    // A cursor file that cannot be loaded leaves the class cursor as it was rather than none.
    const CursorHandle cursor = ports_.windows.LoadCursorFile(anipath);
    if (cursor != 0) {
        ports_.windows.SetClassCursor(hWnd, cursor);
    }
}

void trovapi::ReDesktop() {
    WindowSystem& windows = ports_.windows;
    const WindowHandle progman = windows.FindChildByClass(0, "Progman");
    if (progman == 0) {
        return;
    }
    const WindowHandle view = windows.FindChildByClass(progman, "SHELLDLL_DefView");
    if (view == 0) {
        return;
    }
    const WindowHandle list = windows.FindChildByClass(view, "SysListView32");
    if (list == 0) {
        return;
    }
    windows.PostWindowMessage(list, kWmKeyDown, kVirtualKeyF5, kF5KeyData);
}

void trovapi::RunScr() {
    // The desktop window always exists and hands the command to the system's screen saver.
    ports_.windows.SendWindowMessage(ports_.windows.DesktopWindow(), kWmSysCommand, kScScreenSave,
                                     0);
}

}  // namespace qvx::updlib
