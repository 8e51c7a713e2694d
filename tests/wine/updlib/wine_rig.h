#pragma once

// Helpers of the Windows suites of the updater support library: a scratch folder that is removed
// again, a plain test window that records what it receives, and the real adapters.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "updlib/trovapi.h"
#include "updlib/win32/win32_updlib_ports.h"

namespace qvx::updlib::wine_test {

inline void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string full = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

// A fresh folder under the temporary folder, ending in a backslash; removed with its contents.
class ScratchFolder {
public:
    ScratchFolder() {
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "qvx_updlib_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(GetTickCount64()) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(path_.substr(0, path_.size() - 1)); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Messages a TestWindow received, in order.
struct Received {
    UINT message;
    WPARAM wParam;
};

inline std::vector<Received>& ReceivedMessages() {
    static std::vector<Received> received;
    return received;
}

// Runs for every WM_APP message a TestWindow receives, after it is recorded.
inline std::function<void(UINT, WPARAM)>& AppMessageHook() {
    static std::function<void(UINT, WPARAM)> hook;
    return hook;
}

inline LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE || message == WM_SYSCOMMAND || message >= WM_APP) {
        ReceivedMessages().push_back({message, wParam});
        if (message >= WM_APP && AppMessageHook()) {
            AppMessageHook()(message, wParam);
        }
        if (message == WM_CLOSE) {
            return 0;  // recorded, not destroyed: the test ends the window itself
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A small top-level window with an ANSI title; destroyed with the object.
class TestWindow {
public:
    explicit TestWindow(const std::string& title) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = TestWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QvxUpdlibTestWindow";
        RegisterClassA(&windowClass);  // fails harmlessly when registered already
        window_ =
            CreateWindowExA(0, "QvxUpdlibTestWindow", title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10,
                            200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ReceivedMessages().clear();
    }
    ~TestWindow() { DestroyWindow(window_); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND Handle() const { return window_; }
    WindowHandle Opaque() const { return reinterpret_cast<WindowHandle>(window_); }

private:
    HWND window_ = nullptr;
};

inline void PumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

inline bool WasReceived(UINT message, WPARAM wParam) {
    for (const Received& r : ReceivedMessages()) {
        if (r.message == message && r.wParam == wParam) {
            return true;
        }
    }
    return false;
}

}  // namespace qvx::updlib::wine_test
