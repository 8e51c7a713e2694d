#include "app/win32/app_ports.h"

#include <oaidl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <memory>

#include "app/win32/picture_painter.h"
#include "base/text.h"
#include "base/win32/scoped.h"
#include "base/win32/text.h"

namespace qvx::app::win32 {

namespace {

using base::win32::Bstr;
using base::win32::ComPtr;
using base::win32::Utf8ToWide;
using base::win32::Variant;
using base::win32::WideToUtf8;

// Late-bound call: through the "winmgmts:" moniker a property read needs PROPERTYGET|METHOD.
bool Invoke(IDispatch* target, const wchar_t* name, WORD flags, VARIANT* args, UINT argCount,
            VARIANT* result) {
    DISPID id = 0;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    if (FAILED(target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return false;
    DISPPARAMS params{args, nullptr, argCount, 0};
    return SUCCEEDED(target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                    nullptr, nullptr));
}

}  // namespace

LocalTime Win32Clock::Now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::int64_t Win32Clock::NowSeconds() {
    return static_cast<std::int64_t>(GetTickCount64() / 1000);
}

std::optional<std::uint32_t> Win32IdleClock::LastInputTick() {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    if (!GetLastInputInfo(&info))
        return std::nullopt;
    return info.dwTime;
}

std::uint32_t Win32IdleClock::TickCount() {
    return GetTickCount();
}

std::optional<std::vector<std::uint32_t>> Win32ProcessTable::ProcessesNamed(
    const std::string& image) {
    // COM for the duration of this call; balanced even when the thread was already initialised.
    const base::win32::ComApartment com;
    ComPtr<IDispatch> service;
    if (FAILED(CoGetObject(L"winmgmts:", nullptr, IID_IDispatch,
                           reinterpret_cast<void**>(service.GetAddressOf())))) {
        return std::nullopt;
    }

    // A name holding a single quote cannot stand in the query's literal (Wine's WQL has no
    // escapes): then every process is listed and the names are compared here.
    std::wstring name = Utf8ToWide(base::TrimSpaces(image));
    bool filterHere = name.find(L'\'') != std::wstring::npos;
    std::wstring query = filterHere ? L"select * from win32_process"
                                    : L"select * from win32_process where name='" + name + L"'";
    Bstr text(query);
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = text.Get();
    Variant set;
    if (!Invoke(service.Get(), L"ExecQuery", DISPATCH_METHOD, &arg, 1, &set.Get()) ||
        set.Get().vt != VT_DISPATCH || !set.Get().pdispVal) {
        return std::nullopt;
    }

    // Walk the result set in its own order.
    Variant enumerator;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (FAILED(set.Get().pdispVal->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                                          DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none,
                                          &enumerator.Get(), nullptr, nullptr)) ||
        (enumerator.Get().vt != VT_UNKNOWN && enumerator.Get().vt != VT_DISPATCH) ||
        !enumerator.Get().punkVal) {
        return std::nullopt;
    }
    ComPtr<IEnumVARIANT> items;
    if (FAILED(enumerator.Get().punkVal->QueryInterface(
            IID_IEnumVARIANT, reinterpret_cast<void**>(items.GetAddressOf())))) {
        return std::nullopt;
    }

    std::vector<std::uint32_t> ids;
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        if (items->Next(1, &item.Get(), &fetched) != S_OK || fetched != 1)
            break;
        if (item.Get().vt != VT_DISPATCH || !item.Get().pdispVal)
            return std::nullopt;
        if (filterHere) {
            Variant itemName;
            if (!Invoke(item.Get().pdispVal, L"Name", DISPATCH_PROPERTYGET | DISPATCH_METHOD,
                        nullptr, 0, &itemName.Get()) ||
                itemName.Get().vt != VT_BSTR) {
                return std::nullopt;
            }
            if (CompareStringOrdinal(itemName.Get().bstrVal, -1, name.c_str(), -1, TRUE) !=
                CSTR_EQUAL)
                continue;
        }
        Variant pid;
        if (!Invoke(item.Get().pdispVal, L"ProcessId", DISPATCH_PROPERTYGET | DISPATCH_METHOD,
                    nullptr, 0, &pid.Get()) ||
            FAILED(VariantChangeType(&pid.Get(), &pid.Get(), 0, VT_UI4))) {
            return std::nullopt;
        }
        ids.push_back(pid.Get().ulVal);
    }
    return ids;
}

bool Win32ProcessTable::Terminate(std::uint32_t processId) {
    const base::win32::UniqueHandle process(
        OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process)
        return false;
    bool ok = TerminateProcess(process.Get(), 1) != 0;
    // Wait briefly so the old copy is really gone before the new one takes its place.
    if (ok)
        WaitForSingleObject(process.Get(), 5000);
    return ok;
}

std::uint32_t Win32ProcessTable::CurrentProcessId() {
    return GetCurrentProcessId();
}

static_assert(tray::kFlagMessage == NIF_MESSAGE && tray::kFlagIcon == NIF_ICON &&
              tray::kFlagTip == NIF_TIP);
static_assert(tray::kMouseMove == WM_MOUSEMOVE && tray::kLeftButtonUp == WM_LBUTTONUP &&
              tray::kRightButtonUp == WM_RBUTTONUP);

NOTIFYICONDATAA Win32TrayIcon::Fill(const TrayRecord& record) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = reinterpret_cast<HWND>(record.window);
    data.uID = record.id;
    data.uFlags = record.flags;
    data.uCallbackMessage = record.callbackMessage;
    data.hIcon = reinterpret_cast<HICON>(record.icon);

    // The tip in the system's ANSI code page, in the 64-byte field of the record's original
    // form, padded with blanks. A terminator follows the text, so the tooltip shows the text
    // without a tail of blank space, and the field's last byte stays one, so the shell never
    // reads past it.
    constexpr int kTipBytes = 64;
    std::wstring wide = Utf8ToWide(record.tip);
    char ansi[kTipBytes] = {};
    int n = 0;
    // Too long for the field: keep what fits, whole characters only.
    while (!wide.empty()) {
        n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi,
                                kTipBytes - 1, nullptr, nullptr);
        if (n > 0)
            break;
        wide.pop_back();
    }
    std::memset(data.szTip, 0, sizeof data.szTip);
    std::memset(data.szTip, ' ', kTipBytes - 1);
    std::memcpy(data.szTip, ansi, static_cast<std::size_t>(n));
    data.szTip[n] = '\0';
    return data;
}

bool Win32TrayIcon::Add(const TrayRecord& record) {
    NOTIFYICONDATAA data = Fill(record);
    return Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
}

bool Win32TrayIcon::Remove(const TrayRecord& record) {
    NOTIFYICONDATAA data = Fill(record);
    return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

bool Win32TrayIcon::ShowBalloon(const TrayRecord& record, const std::string& title,
                                const std::string& text) {
    NOTIFYICONDATAW data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = reinterpret_cast<HWND>(record.window);
    data.uID = record.id;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_WARNING;
    // Both fields end with a terminator whatever the length of the text.
    const std::wstring wideTitle = Utf8ToWide(title);
    const std::wstring wideText = Utf8ToWide(text);
    wcsncpy(data.szInfoTitle, wideTitle.c_str(), std::size(data.szInfoTitle) - 1);
    wcsncpy(data.szInfo, wideText.c_str(), std::size(data.szInfo) - 1);
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

Win32IconFiles::~Win32IconFiles() {
    for (HICON icon : extracted_)
        DestroyIcon(icon);
}

bool Win32IconFiles::Exists(const std::string& path) {
    if (path.empty())
        return false;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Utf8ToWide(path).c_str(), &found);  // hidden files included
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

std::uintptr_t Win32IconFiles::ExtractIcon(const std::string& path, int index) {
    std::wstring wide = Utf8ToWide(path);
    HINSTANCE instance = GetModuleHandleW(wide.c_str());  // normally none: the file is no module
    HICON icon = ExtractIconW(instance, wide.c_str(), static_cast<UINT>(index));
    // 1 means "not a file with icons": no icon either.
    if (reinterpret_cast<std::uintptr_t>(icon) <= 1)
        return 0;
    extracted_.push_back(icon);
    return reinterpret_cast<std::uintptr_t>(icon);
}

std::uintptr_t Win32IconFiles::FallbackIcon() {
    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0);
    if (!icon)
        return 0;
    extracted_.push_back(static_cast<HICON>(icon));
    return reinterpret_cast<std::uintptr_t>(icon);
}

void Win32Shell::Open(const std::string& target) {
    // ShellExecute may hand the target to a shell extension, which needs COM on this thread.
    const base::win32::ComApartment com;
    ShellExecuteW(owner_.Get(), nullptr, Utf8ToWide(target).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

MessageBoxResult Win32MessageBoxes::Show(const std::string& text, MessageBoxKind kind) {
    UINT flags = MB_SETFOREGROUND;
    switch (kind) {
        case MessageBoxKind::OkOnly:
            flags |= MB_OK;
            break;
        case MessageBoxKind::OkCancel:
            flags |= MB_OKCANCEL | MB_ICONQUESTION;
            break;
        case MessageBoxKind::Information:
            flags |= MB_OK | MB_ICONINFORMATION;
            break;
        case MessageBoxKind::Warning:
            flags |= MB_OK | MB_ICONWARNING;
            break;
        case MessageBoxKind::Error:
            flags |= MB_OK | MB_ICONERROR;
            break;
    }
    int pressed = MessageBoxW(owner_.Get(), Utf8ToWide(text).c_str(), L"Quorvex", flags);
    return pressed == IDOK ? MessageBoxResult::Ok : MessageBoxResult::Cancel;
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string Win32ProgramHost::ProgramFolder() {
    std::wstring path = ModulePath();
    std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return {};
    std::wstring folder = path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':')
        folder += L'\\';  // a drive's root keeps its "\"
    return WideToUtf8(folder);
}

std::string Win32ProgramHost::ProgramBaseName() {
    std::wstring path = ModulePath();
    std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos)
        name.resize(dot);
    return WideToUtf8(name);
}

std::uintptr_t Win32ProgramHost::MainWindow() {
    return reinterpret_cast<std::uintptr_t>(owner_.Get());
}

void Win32ProgramHost::ShowMainWindowNow(bool shown) {
    if (HWND window = owner_.Get()) {
        ShowWindow(window, shown ? SW_SHOWNORMAL : SW_HIDE);
        if (shown) {
            SetForegroundWindow(window);
        }
    }
}

void Win32ProgramHost::EndProgram() {
    endRequested_ = true;
    PostQuitMessage(0);
}

}  // namespace qvx::app::win32
