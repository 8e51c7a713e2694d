#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "updlib/clock_port.h"
#include "updlib/file_system_port.h"
#include "tests/fakes/updlib_fake_profile.h"
#include "updlib/message_box_port.h"
#include "updlib/module1.h"
#include "updlib/trovapi.h"
#include "updlib/shell_port.h"
#include "updlib/sockets_port.h"
#include "updlib/text_codec_port.h"
#include "updlib/wait_port.h"
#include "updlib/window_port.h"

namespace qvx::updlib::fakes {

// Folders and files in memory, paths compared without regard to case. The buffer queries answer
// as the platform does: the length on success, the size needed (NUL counted) when short.
class FakeFileSystem : public FileSystem {
public:
    void AddFolder(const std::string& path, std::uint32_t attributes = 16);
    void AddFile(const std::string& path, const std::string& bytes, std::uint32_t attributes = 32);
    bool Exists(const std::string& path) const;
    void SetShortName(const std::string& path, const std::string& shortName) {
        shortNames_[Key(path)] = shortName;
    }

    std::string moduleFileName = "C:\\Tools\\qvxUpgraded.exe";
    std::string windowsDirectory = "C:\\windows";
    std::string systemDirectory = "C:\\windows\\system32";
    std::string tempPath = "C:\\users\\me\\Temp\\";
    std::map<std::int32_t, std::string> specialFolders;
    std::map<std::string, std::string> environment;
    std::vector<std::string> createdFolderCalls;  // every CreateFolder asked, in order
    std::vector<std::uint32_t> bufferSizesAsked;  // sizes handed to the buffer queries
    int openReaders = 0;                          // readers not yet closed
    int opensAsked = 0;

    std::string ModuleFileName() override { return moduleFileName; }
    bool PathExists(const std::string& path) override;
    std::optional<std::uint32_t> FileAttributes(const std::string& path) override;
    std::uint32_t ShortPathName(const std::string& path, char* buffer, std::uint32_t size) override;
    bool CreateFolder(const std::string& path) override;
    std::unique_ptr<ReadOnlyFile> OpenRead(const std::string& path) override;
    std::uint32_t WindowsDirectory(char* buffer, std::uint32_t size) override;
    std::uint32_t SystemDirectory(char* buffer, std::uint32_t size) override;
    std::uint32_t TempPath(char* buffer, std::uint32_t size) override;
    std::optional<std::string> SpecialFolderPath(std::int32_t csidl) override;
    std::optional<std::string> EnvironmentVariable(const std::string& name) override;

private:
    struct Node {
        bool folder = false;
        std::uint32_t attributes = 0;
        std::string bytes;
    };
    static std::string Key(const std::string& path);
    std::uint32_t Answer(const std::string& text, char* buffer, std::uint32_t size);
    std::map<std::string, Node> nodes_;
    std::map<std::string, std::string> shortNames_;
};

class FakeClock : public Clock {
public:
    TimeRecord now{2026, 12, 4, 10, 10, 7, 30, 0};
    TimeRecord LocalNow() override { return now; }
};

// A scripted waitable timer. Each wait takes the next outcome of `outcomes` (Timer when empty);
// `onPump` runs inside PumpMessages, standing in for the handlers of the program.
class FakeWaitPort : public WaitPort {
public:
    std::deque<WaitOutcome> outcomes;
    std::function<void()> onPump;
    bool failCreate = false;
    bool failSet = false;
    std::vector<std::string> createdNames;    // every name asked for ("" = unnamed)
    std::multiset<std::string> foreignNames;  // named timers held by other programs
    std::map<TimerHandle, std::string> namesOfOpen;
    std::vector<std::int64_t> dueTimes;
    std::map<TimerHandle, std::int64_t> dueTimeOf;
    std::vector<TimerHandle> waitedOn;
    std::set<TimerHandle> open;
    std::vector<TimerHandle> closed;
    int pumps = 0;

    CreatedTimer CreateTimer(const std::string& name) override;
    bool SetTimer(TimerHandle timer, std::int64_t dueTime) override;
    WaitOutcome WaitForTimerOrInput(TimerHandle timer) override;
    void PumpMessages() override;
    void CloseTimer(TimerHandle timer) override;
    std::uint32_t LastError() override { return 6; }

private:
    TimerHandle next_ = 100;
};

// Top-level and child windows by title and class; records what was posted, sent and positioned.
class FakeWindowSystem : public WindowSystem {
public:
    struct Window {
        std::string title;
        std::string className;
        WindowHandle parent = 0;
    };
    struct Message {
        WindowHandle window;
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    struct Placement {
        WindowHandle window;
        WindowHandle insertAfter;
        std::uint32_t flags;
    };
    std::map<WindowHandle, Window> windows;
    WindowHandle desktop = 0x10010;
    std::vector<Message> posted;
    std::vector<Message> sent;
    std::vector<Placement> placements;
    std::map<std::string, CursorHandle> cursorFiles;
    std::vector<std::pair<WindowHandle, CursorHandle>> classCursors;

    WindowHandle FindWindowByTitle(const std::string& title) override;
    WindowHandle FindChildByClass(WindowHandle parent, const std::string& className) override;
    WindowHandle DesktopWindow() override { return desktop; }
    bool PostWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override;
    std::intptr_t SendWindowMessage(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam, std::intptr_t lParam) override;
    bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, std::uint32_t flags) override;
    CursorHandle LoadCursorFile(const std::string& path) override;
    void SetClassCursor(WindowHandle window, CursorHandle cursor) override;
};

// Records every request; dialogs answer with the scripted results.
class FakeShell : public Shell {
public:
    struct Execution {
        WindowHandle owner;
        std::string file;
        std::int32_t show;
    };
    std::vector<Execution> executed;
    std::vector<Execution> properties;
    std::vector<std::uint32_t> propertiesMasks;
    std::vector<std::pair<std::string, std::uint32_t>> recycleBinEmptied;
    std::optional<std::string> folderChoice;
    std::string lastFolderPrompt;
    std::int32_t lastFolderRoot = -1;
    std::uint32_t lastFolderFlags = 0;
    std::optional<std::string> computerChoice;
    std::string lastComputerCaption;
    std::string lastComputerPrompt;
    std::optional<std::string> fileChoice;  // the path the user picks; empty = cancel
    std::vector<std::pair<FileDialogKind, FileDialogRequest>> fileRequests;
    std::optional<std::uint32_t> colourChoice;
    std::int32_t connectionResult = 0;
    std::vector<std::pair<std::string, std::uint32_t>> connectionDialogs;

    void Execute(WindowHandle owner, const std::string& file, std::int32_t show) override;
    void ShowProperties(WindowHandle owner, const std::string& file, std::uint32_t mask,
                        std::int32_t show) override;
    void EmptyRecycleBin(WindowHandle owner, const std::string& root, std::uint32_t flags) override;
    std::optional<std::string> BrowseForFolder(WindowHandle owner, const std::string& prompt,
                                               std::int32_t rootCsidl,
                                               std::uint32_t flags) override;
    std::optional<std::string> BrowseForComputer(WindowHandle owner, const std::string& caption,
                                                 const std::string& prompt) override;
    bool FileDialog(FileDialogKind kind, const FileDialogRequest& request,
                    std::string& fileBuffer) override;
    std::optional<std::uint32_t> PickColor() override { return colourChoice; }
    std::int32_t ConnectionDialog(WindowHandle owner, std::uint32_t type) override;
    std::int32_t DisconnectDialog(WindowHandle owner, std::uint32_t type) override;
};

// A double-byte code page in the manner of GBK: a byte 0x81..0xFE starts a two-byte character.
// UTF-8 texts pass unchanged, so built-in texts can be recognised in tests.
class FakeTextCodec : public TextCodec {
public:
    std::u16string AnsiToWide(const std::string& ansi) override;
    std::string WideToAnsi(const std::u16string& wide) override;
    std::string Utf8ToAnsi(const std::string& utf8) override { return utf8; }
};

// The socket library and ICMP, scripted, counting every start and release.
class FakeSockets : public Sockets {
public:
    SocketsStartup startup{0, 0x0101, 32767};
    std::int32_t cleanupResult = 0;
    std::map<std::string, std::vector<std::uint8_t>> hosts;
    bool icmpOpenFails = false;
    // Echo behaviour: replies > 0 fills the reply with these values.
    std::uint32_t echoReplies = 1;
    std::uint32_t echoRoundTrip = 4;
    std::uint32_t echoStatus = 0;
    std::uint16_t echoDataSize = 10;

    int startups = 0;   // Startup calls
    int startedOk = 0;  // Startup calls that started the library
    int cleanups = 0;   // Cleanup calls
    int depth = 0;      // started and not yet released
    int maxDepth = 0;
    int depthDuringLookup = -1;
    int depthDuringEcho = -1;
    int icmpOpened = 0;
    int icmpClosed = 0;
    std::vector<std::uint32_t> echoAddresses;
    std::string echoPayload;
    std::uint32_t echoReplySize = 0;
    std::uint32_t echoTimeout = 0;
    std::vector<std::string> lookups;

    SocketsStartup Startup(std::uint16_t version) override;
    std::int32_t Cleanup() override;
    std::optional<std::vector<std::uint8_t>> HostAddress(const std::string& name) override;
    IcmpHandle IcmpOpen() override;
    std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t address, const std::string& payload,
                               EchoReply& reply, std::uint32_t replySize,
                               std::uint32_t timeoutMs) override;
    void IcmpClose(IcmpHandle handle) override;

    std::uint16_t requestedVersion = 0;
};

class FakeMessageBox : public MessageBoxPort {
public:
    struct Shown {
        std::string text;
        MessageIcon icon;
    };
    std::vector<Shown> shown;
    void Show(const std::string& text, MessageIcon icon) override { shown.push_back({text, icon}); }
};

// Every fake trovapi needs, ready to hand to its constructor.
struct TrovapiFakes {
    FakeProfileFile profile;
    FakeFileSystem files;
    FakeWaitPort wait;
    FakeClock clock;
    FakeWindowSystem windows;
    FakeShell shell;
    FakeTextCodec text;
    TrovapiPorts Ports() { return TrovapiPorts{profile, files, wait, clock, windows, shell, text}; }
};

// Every fake Module1 needs.
struct Module1Fakes {
    FakeSockets sockets;
    FakeMessageBox messages;
    FakeClock clock;
    Module1Ports Ports() { return Module1Ports{sockets, messages, clock}; }
};

}  // namespace qvx::updlib::fakes
