#include "app/win32/desktop_adapters.h"
#include "base/civil_date.h"

#include <commdlg.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "base/win32/scoped.h"
#include "base/win32/text.h"

namespace qvx::app::win32 {

namespace {

using base::win32::UniqueHandle;
using base::win32::WideToUtf8;

// Held here rather than taken from the SDK's DEFINE_GUID, whose storage depends on INITGUID.
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {
    0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
constexpr GUID kSessionDisplayStatus = {
    0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
constexpr std::array<const GUID*, 3> kDisplayPowerSettings = {
    &kConsoleDisplayState, &kMonitorPowerOn, &kSessionDisplayStatus};

ScreenRect ToScreenRect(const RECT& rect) {
    return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

std::wstring FileNameOf(std::wstring_view path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

bool SameTextIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The image file name of a process ("photoshop.exe"); empty when the process cannot be opened
// (it ended, or belongs to a more privileged user).
std::wstring ProgramOfProcess(DWORD processId) {
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) {
        return {};
    }
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process.Get(), 0, path.data(), &size)) {
        return {};
    }
    path.resize(size);
    return FileNameOf(path);
}

// A Store app's top window belongs to the frame host; the app itself owns a child window.
struct OtherProcessChild {
    DWORD frameHost;
    DWORD found;
};

BOOL CALLBACK FindOtherProcessChild(HWND child, LPARAM context) {
    auto* search = reinterpret_cast<OtherProcessChild*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(child, &processId);
    if (processId != 0 && processId != search->frameHost) {
        search->found = processId;
        return FALSE;
    }
    return TRUE;
}

std::wstring ProgramOfWindow(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0) {
        return {};
    }
    std::wstring program = ProgramOfProcess(processId);
    if (SameTextIgnoringCase(program, L"ApplicationFrameHost.exe")) {
        OtherProcessChild search{processId, 0};
        EnumChildWindows(window, FindOtherProcessChild, reinterpret_cast<LPARAM>(&search));
        if (search.found != 0) {
            std::wstring app = ProgramOfProcess(search.found);
            if (!app.empty()) {
                program = std::move(app);
            }
        }
    }
    return program;
}

std::optional<MonitorArea> AreaOf(HMONITOR monitor) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (monitor == nullptr || !GetMonitorInfoW(monitor, &info)) {
        return std::nullopt;
    }
    return MonitorArea{WideToUtf8(info.szDevice), ToScreenRect(info.rcMonitor)};
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    if (std::optional<MonitorArea> area = AreaOf(monitor)) {
        reinterpret_cast<std::vector<MonitorArea>*>(context)->push_back(std::move(*area));
    }
    return TRUE;
}

}  // namespace

std::optional<ForegroundWindow> Win32Desktop::Foreground() {
    HWND window = GetForegroundWindow();
    // With no program in front Wine hands back the desktop window itself (class "#32769"),
    // which covers every monitor; Windows would say none, or name the shell's own window.
    if (window == GetDesktopWindow()) {
        return std::nullopt;
    }
    RECT whole{};
    RECT client{};
    if (window == nullptr || !GetWindowRect(window, &whole) || !GetClientRect(window, &client)) {
        return std::nullopt;
    }
    POINT topLeft{client.left, client.top};
    POINT bottomRight{client.right, client.bottom};
    if (!ClientToScreen(window, &topLeft) || !ClientToScreen(window, &bottomRight)) {
        return std::nullopt;
    }

    ForegroundWindow front;
    front.window = ToScreenRect(whole);
    front.client = ScreenRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    wchar_t className[256] = {};
    const int length = GetClassNameW(window, className, static_cast<int>(std::size(className)));
    front.windowClass = WideToUtf8(std::wstring_view(className, length > 0 ? length : 0));
    front.program = WideToUtf8(ProgramOfWindow(window));
    if (std::optional<MonitorArea> area =
            AreaOf(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST))) {
        front.monitor = std::move(area->device);
    }
    return front;
}

std::vector<MonitorArea> Win32Desktop::Monitors() {
    std::vector<MonitorArea> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

bool Win32Desktop::AcceptsNotifications() {
    QUERY_USER_NOTIFICATION_STATE state{};
    if (FAILED(SHQueryUserNotificationState(&state))) {
        return true;
    }
    return state == QUNS_ACCEPTS_NOTIFICATIONS;
}

Win32Hotkeys::~Win32Hotkeys() {
    for (const Held& held : held_) {
        UnregisterHotKey(held.window, held.id);
    }
}

HotkeyRegistration Win32Hotkeys::Register(int id, const Hotkey& hotkey) {
    Unregister(id);
    HWND window = owner_.Get();
    if (RegisterHotKey(window, id, hotkey.modifiers | MOD_NOREPEAT, hotkey.key)) {
        held_.push_back(Held{window, id});
        return HotkeyRegistration::Registered;
    }
    return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED ? HotkeyRegistration::HeldByAnother
                                                             : HotkeyRegistration::Failed;
}

void Win32Hotkeys::Unregister(int id) {
    // The owner window may have changed since: let go of the id wherever it was registered.
    for (auto it = held_.begin(); it != held_.end();) {
        if (it->id == id) {
            UnregisterHotKey(it->window, it->id);
            it = held_.erase(it);
        } else {
            ++it;
        }
    }
}

std::optional<std::string> Win32ProgramPicker::ChooseProgram() {
    static constexpr wchar_t kFilter[] = L"程序 (*.exe)\0*.exe\0所有文件 (*.*)\0*.*\0";
    std::wstring path(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_.Get();
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt = L"exe";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetOpenFileNameW(&dialog)) {
        return std::nullopt;
    }
    path.resize(std::wcslen(path.c_str()));
    return WideToUtf8(path);
}

// ---------------------------------------------------------------------------------------------
// Wall clock

namespace {

// 100-ns intervals between 1601-01-01 (FILETIME) and 1970-01-01.
constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000;
constexpr std::int64_t k100nsPerSecond = 10000000;

// A local time as seconds on its own scale (as if it were UTC), so local times compare and
// out-of-range fields carry over.
std::int64_t LocalSeconds(const LocalTime& t) {
    return base::DaysFromCivil(t.year, t.month, t.day) * 86400 + std::int64_t{t.hour} * 3600 +
           std::int64_t{t.minute} * 60 + t.second;
}

SYSTEMTIME SystemTimeOf(std::int64_t seconds) {
    const std::int64_t ticks = seconds * k100nsPerSecond + kUnixEpochIn100ns;
    FILETIME file{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME time{};
    FileTimeToSystemTime(&file, &time);
    return time;
}

std::optional<std::int64_t> SecondsOf(const SYSTEMTIME& time) {
    FILETIME file{};
    if (!SystemTimeToFileTime(&time, &file)) {
        return std::nullopt;
    }
    const std::int64_t ticks =
        (static_cast<std::int64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    return (ticks - kUnixEpochIn100ns) / k100nsPerSecond;
}

LocalTime LocalTimeOf(const SYSTEMTIME& time) {
    return LocalTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

}  // namespace

std::int64_t Win32WallClock::UtcNow() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::int64_t ticks =
        (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - kUnixEpochIn100ns) / k100nsPerSecond;
}

LocalTime Win32WallClock::ToLocal(std::int64_t utc) {
    const SYSTEMTIME universal = SystemTimeOf(utc);
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
        return LocalTimeOf(universal);
    }
    return LocalTimeOf(local);
}

std::int64_t Win32WallClock::FromLocal(const LocalTime& local) {
    const std::int64_t wanted = LocalSeconds(local);
    // Fields carried over first (a 24:00 or a 31 April), as the system takes only real dates.
    const SYSTEMTIME asked = SystemTimeOf(wanted);
    SYSTEMTIME universal{};
    std::optional<std::int64_t> utc;
    if (TzSpecificLocalTimeToSystemTime(nullptr, &asked, &universal)) {
        utc = SecondsOf(universal);
    }
    TIME_ZONE_INFORMATION zone{};
    const bool zoneKnown = GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID;
    if (!utc) {
        utc = wanted + (zoneKnown ? std::int64_t{zone.Bias} * 60 : 0);
    }
    const auto wall = [this](std::int64_t at) { return LocalSeconds(ToLocal(at)); };

    if (wall(*utc) == wanted) {
        // A time that occurs twice (the hour repeated when daylight saving ends): the first.
        const std::int64_t shift =
            zoneKnown ? std::llabs(std::int64_t{zone.StandardBias} - zone.DaylightBias) * 60 : 0;
        if (shift != 0 && wall(*utc - shift) == wanted) {
            return *utc - shift;
        }
        return *utc;
    }

    // A time the clock skipped: the first moment whose local time is not before it, which is
    // the moment of the jump. Bracketed around the system's answer, then halved to the second.
    constexpr std::int64_t kLongestJump = 8 * 86400;
    std::int64_t before = *utc;
    for (std::int64_t step = 3600; wall(before) >= wanted && step <= kLongestJump; step *= 2) {
        before = *utc - step;
    }
    std::int64_t after = *utc;
    for (std::int64_t step = 3600; wall(after) < wanted && step <= kLongestJump; step *= 2) {
        after = *utc + step;
    }
    if (wall(before) >= wanted || wall(after) < wanted) {
        return *utc;
    }
    while (after - before > 1) {
        const std::int64_t middle = before + (after - before) / 2;
        (wall(middle) < wanted ? before : after) = middle;
    }
    return after;
}

// ---------------------------------------------------------------------------------------------
// Display wake

DisplayWakeNotifications::DisplayWakeNotifications(HWND window) : window_(window) {
    session_ = WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION) != FALSE;
    for (std::size_t i = 0; i < power_.size(); ++i) {
        power_[i] = RegisterPowerSettingNotification(window, kDisplayPowerSettings[i],
                                                     DEVICE_NOTIFY_WINDOW_HANDLE);
    }
}

DisplayWakeNotifications::~DisplayWakeNotifications() {
    for (HPOWERNOTIFY registration : power_) {
        if (registration != nullptr) {
            UnregisterPowerSettingNotification(registration);
        }
    }
    if (session_) {
        WTSUnRegisterSessionNotification(window_);
    }
}

int DisplayWakeNotifications::PowerSettingsRegistered() const {
    int count = 0;
    for (HPOWERNOTIFY registration : power_) {
        count += registration != nullptr ? 1 : 0;
    }
    return count;
}

bool IsDisplayWakeMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WTSSESSION_CHANGE) {
        return wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT;
    }
    if (message != WM_POWERBROADCAST) {
        return false;
    }
    if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) {
        return true;
    }
    if (wParam != PBT_POWERSETTINGCHANGE || lParam == 0) {
        return false;
    }
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    bool display = false;
    for (const GUID* guid : kDisplayPowerSettings) {
        display = display || IsEqualGUID(setting->PowerSetting, *guid);
    }
    if (!display || setting->DataLength < sizeof(DWORD)) {
        return false;
    }
    // 0 is off; 1 on, 2 dimmed: a display that shows anything again needs the tint.
    DWORD state = 0;
    std::memcpy(&state, setting->Data, sizeof state);
    return state != 0;
}

}  // namespace qvx::app::win32
