// The main window's port adapters against the real system: the tray record and the notification
// area, the icon file lookup, the WMI process list with ending a process, and the program host.

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/win32/app_ports.h"
#include "app/win32/picture_painter.h"
#include "base/win32/text.h"

namespace qvx::app::win32 {
namespace {

using base::win32::WideToUtf8;

const char kTip[] = "Quorvex，全天候呵护您的双眼！";

std::wstring AnsiToWide(const char* bytes, int length) {
    int n = MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, length, out.data(), n);
    return out;
}

TEST(TrayRecord, IsTheSmallestFormWithTheTipInTheAnsiCodePageBlankPadded) {
    TrayRecord record;
    record.window = 0x1234;
    record.id = 0x10052;
    record.icon = 0x10052;
    record.tip = kTip;
    NOTIFYICONDATAA data = Win32TrayIcon::Fill(record);

    EXPECT_EQ(data.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    EXPECT_EQ(data.hWnd, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(data.uID, 0x10052u);
    EXPECT_EQ(data.uFlags, 7u);
    EXPECT_EQ(data.uCallbackMessage, 512u);
    EXPECT_EQ(data.hIcon, reinterpret_cast<HICON>(0x10052));

    // The text, its terminator, blanks up to the last byte, which is a terminator too.
    std::string text(data.szTip);
    EXPECT_EQ(WideToUtf8(AnsiToWide(text.data(), static_cast<int>(text.size()))), kTip);
    ASSERT_LT(text.size(), 63u);
    EXPECT_EQ(std::string(data.szTip + text.size() + 1, 62 - text.size()),
              std::string(62 - text.size(), ' '));
    EXPECT_EQ(data.szTip[63], '\0');
}

TEST(TrayRecord, AnOverlongTipKeepsWholeCharactersAndItsTerminator) {
    TrayRecord record;
    for (int i = 0; i < 40; ++i)
        record.tip += "护";  // 80 bytes in a double-byte code page
    NOTIFYICONDATAA data = Win32TrayIcon::Fill(record);
    EXPECT_EQ(data.szTip[63], '\0');
    std::string text(data.szTip);
    EXPECT_EQ(text.size(), 62u);  // 31 whole characters
    std::wstring back = AnsiToWide(text.data(), static_cast<int>(text.size()));
    ASSERT_FALSE(back.empty());
    for (wchar_t ch : back)
        EXPECT_EQ(ch, L'护');  // no half character at the cut
}

class TrayWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = CreateWindowExW(0, L"STATIC", L"tray test", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }
    HWND window_ = nullptr;
};

TEST_F(TrayWindow, AddsAndRemovesTheIconWithTheSameRecord) {
    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
    TrayRecord record;
    record.window = reinterpret_cast<std::uintptr_t>(window_);
    record.id = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(icon));
    record.icon = reinterpret_cast<std::uintptr_t>(icon);
    record.tip = kTip;
    Win32TrayIcon tray;
    ASSERT_TRUE(tray.Add(record));
    EXPECT_TRUE(tray.Remove(record));
    EXPECT_FALSE(tray.Remove(record));  // gone: a second removal finds nothing
}

void WriteFileBytes(const std::wstring& path, const void* data, std::size_t size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

// A 16 x 16, 32-bit icon file written byte by byte.
void WriteIconFile(const std::wstring& path) {
    std::vector<unsigned char> file;
    auto put16 = [&](unsigned v) { file.push_back(v & 0xFF), file.push_back((v >> 8) & 0xFF); };
    auto put32 = [&](unsigned v) { put16(v & 0xFFFF), put16(v >> 16); };
    const unsigned pixels = 16 * 16 * 4, mask = 16 * 4, image = 40 + pixels + mask;
    put16(0), put16(1), put16(1);  // header: icon, 1 image
    file.push_back(16), file.push_back(16), file.push_back(0), file.push_back(0);
    put16(1), put16(32), put32(image), put32(6 + 16);  // directory entry
    put32(40), put32(16), put32(32), put16(1), put16(32), put32(0), put32(pixels);
    put32(0), put32(0), put32(0), put32(0);  // BITMAPINFOHEADER
    for (unsigned i = 0; i < 16 * 16; ++i)
        put32(0xFFFF8800);  // opaque orange
    for (unsigned i = 0; i < mask; ++i)
        file.push_back(0);
    WriteFileBytes(path, file.data(), file.size());
}

class IconFolder : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"qvx_icons_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        WriteIconFile(folder_ + L"\\quorvex.ico");
        WriteIconFile(folder_ + L"\\hidden.ico");
        SetFileAttributesW((folder_ + L"\\hidden.ico").c_str(), FILE_ATTRIBUTE_HIDDEN);
        WriteFileBytes(folder_ + L"\\notes.txt", "no icon here", 12);
    }
    void TearDown() override {
        for (const wchar_t* name : {L"\\quorvex.ico", L"\\hidden.ico", L"\\notes.txt"}) {
            SetFileAttributesW((folder_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW((folder_ + name).c_str());
        }
        RemoveDirectoryW(folder_.c_str());
    }
    std::string Path(const wchar_t* name) const { return WideToUtf8(folder_ + name); }
    std::wstring folder_;
};

TEST_F(IconFolder, FindsFilesHiddenOnesIncludedAndTakesIconsOnlyFromIconFiles) {
    Win32IconFiles icons;
    struct Case {
        const wchar_t* name;
        bool exists;
        bool hasIcon;
    } cases[] = {
        {L"\\quorvex.ico", true, true},
        {L"\\hidden.ico", true, true},
        {L"\\notes.txt", true, false},
        {L"\\missing.ico", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.name));
        EXPECT_EQ(icons.Exists(Path(c.name)), c.exists);
        EXPECT_EQ(icons.ExtractIcon(Path(c.name), 0) != 0, c.hasIcon);
    }
    EXPECT_FALSE(icons.Exists(""));
    EXPECT_EQ(icons.ExtractIcon(Path(L"\\quorvex.ico"), 3), 0u);  // the file holds one icon
}

TEST(IconFiles, WorksInADrivesRootFolder) {
    std::wstring path = L"C:\\qvx_root_" + std::to_wstring(GetCurrentProcessId()) + L".ico";
    WriteIconFile(path);
    Win32IconFiles icons;
    EXPECT_TRUE(icons.Exists(WideToUtf8(path)));
    EXPECT_NE(icons.ExtractIcon(WideToUtf8(path), 0), 0u);
    DeleteFileW(path.c_str());
    EXPECT_FALSE(icons.Exists(WideToUtf8(path)));
}

TEST(IconFiles, ThisTestProgramHasNoEmbeddedIcon) {
    Win32IconFiles icons;
    EXPECT_EQ(icons.FallbackIcon(), 0u);
}

std::string OwnImageName() {
    std::wstring path = ModulePath();
    return WideToUtf8(path.substr(path.find_last_of(L'\\') + 1));
}

TEST(ProcessTable, FindsThisProgramByItsNameInAnyCase) {
    Win32ProcessTable table;
    std::string name = OwnImageName();
    std::string upper = name;
    for (char& ch : upper)
        ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    for (const std::string& query : {name, upper, "  " + name + "  "}) {
        SCOPED_TRACE(query);
        auto ids = table.ProcessesNamed(query);
        ASSERT_TRUE(ids.has_value());
        EXPECT_NE(std::find(ids->begin(), ids->end(), GetCurrentProcessId()), ids->end());
    }
    EXPECT_EQ(table.CurrentProcessId(), GetCurrentProcessId());
}

TEST(ProcessTable, NamesWithQuotesOrUnknownNamesGiveAnEmptyList) {
    Win32ProcessTable table;
    for (const char* name : {"qvx_no_such_program.exe", "it's.exe", "'quoted'.exe"}) {
        SCOPED_TRACE(name);
        auto ids = table.ProcessesNamed(name);
        ASSERT_TRUE(ids.has_value());
        EXPECT_TRUE(ids->empty());
    }
}

// The program's main thread holds no COM apartment: the query opens one for its own duration
// and leaves the thread outside COM again, and a second query takes COM up again.
TEST(ProcessTable, LeavesAThreadOutsideComAndQueriesAgain) {
    std::vector<std::string> failures;
    std::thread thread([&] {
        Win32ProcessTable table;
        for (int round = 1; round <= 2; ++round) {
            const std::string query = std::string("query ").append(std::to_string(round));
            auto ids = table.ProcessesNamed(OwnImageName());
            if (!ids || std::find(ids->begin(), ids->end(), GetCurrentProcessId()) == ids->end())
                failures.push_back(query + " did not find this program");
            APTTYPE type{};
            APTTYPEQUALIFIER qualifier{};
            if (CoGetApartmentType(&type, &qualifier) != CO_E_NOTINITIALIZED)
                failures.push_back(query + " left the thread in COM");
        }
    });
    thread.join();
    for (const std::string& failure : failures)
        ADD_FAILURE() << failure;
}

TEST(ProcessTable, EndsAnotherProcessByItsId) {
    // Notepad waits for its user, so it is still running when it is ended.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION child{};
    wchar_t command[] = L"notepad.exe";
    ASSERT_TRUE(CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &child));
    WaitForInputIdle(child.hProcess, 5000);

    Win32ProcessTable table;
    auto before = table.ProcessesNamed("notepad.exe");
    ASSERT_TRUE(before.has_value());
    EXPECT_NE(std::find(before->begin(), before->end(), child.dwProcessId), before->end());

    EXPECT_TRUE(table.Terminate(child.dwProcessId));
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 5000), WAIT_OBJECT_0);
    auto after = table.ProcessesNamed("notepad.exe");
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(std::find(after->begin(), after->end(), child.dwProcessId), after->end());
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);

    EXPECT_FALSE(table.Terminate(0xFFFFFFF0u));  // no such process
}

TEST(ProgramHost, GivesTheFolderWithoutTrailingBackslashAndTheBaseName) {
    OwnerWindow owner;
    Win32ProgramHost host(owner);
    std::wstring path = ModulePath();
    std::string folder = host.ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_EQ(folder + "\\" + host.ProgramBaseName() + ".exe", WideToUtf8(path));
    EXPECT_EQ(host.MainWindow(), 0u);  // no window yet
}

TEST(Clocks, LocalTimeAndTicksComeFromTheSystem) {
    Win32Clock clock;
    SYSTEMTIME st;
    GetLocalTime(&st);
    LocalTime now = clock.Now();
    EXPECT_EQ(now.year, st.wYear);
    EXPECT_EQ(now.month, st.wMonth);
    EXPECT_EQ(now.day, st.wDay);
    std::int64_t a = clock.NowSeconds();
    Sleep(1100);
    EXPECT_GE(clock.NowSeconds() - a, 1);

    Win32IdleClock idle;
    EXPECT_TRUE(idle.LastInputTick().has_value());
    DWORD tick = GetTickCount();
    EXPECT_LE(idle.TickCount() - tick, 1000u);
}

}  // namespace
}  // namespace qvx::app::win32
