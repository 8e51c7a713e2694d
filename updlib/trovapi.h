#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "updlib/clock_port.h"
#include "updlib/file_system_port.h"
#include "updlib/profile_port.h"
#include "updlib/shell_port.h"
#include "updlib/text_codec_port.h"
#include "updlib/updlib_types.h"
#include "updlib/wait_port.h"
#include "updlib/window_port.h"

namespace qvx::updlib {

// The platform services trovapi works through; the referenced objects outlive the trovapi.
struct TrovapiPorts {
    ProfileFile& profile;
    FileSystem& files;
    WaitPort& wait;
    Clock& clock;
    WindowSystem& windows;
    Shell& shell;
    TextCodec& text;
};

// Platform-neutral pieces of trovapi, exposed for the callers that need them alone.

// Cuts trailing blanks and NUL characters; leading blanks stay.
std::string TrimTrailingBlanksAndNuls(std::string_view text);
// Text after the last backslash (the whole text when there is none).
std::string PathFileName(std::string_view path);
// Text up to and including the last backslash (empty when there is none).
std::string PathFolderName(std::string_view path);
// "desc|pattern|desc|pattern" -> each piece followed by a NUL, the list ended by a double NUL;
// a blank filter counts as "*.*|*.*".
std::string BuildDialogFilter(std::string_view filterText);
// r in [0, 1) scaled to 0 .. 2147483647, a half going to the even neighbour.
std::int32_t ScaleRandom(float r);

// The updater's utility class: INI profile access, paths and file tests, text trimming, a
// responsive wait, and window, shell and dialog helpers. Texts are bytes in the system ANSI code
// page, as they come from and go to the platform.
class trovapi {
public:
    explicit trovapi(const TrovapiPorts& ports);
    ~trovapi();
    trovapi(const trovapi&) = delete;
    trovapi& operator=(const trovapi&) = delete;

    // Public fields.
    std::int32_t RndLong = 0;
    std::string AppPath;  // program folder, ending in a backslash
    std::string IniPath;  // INI file of GetIniStr, GetIniLong, SetIniStr
    std::string IniPro;   // section of the same

    // Paths and file tests.
    bool FiFoExists(const std::string& fileName);
    bool FileExists(const std::string& fileName);
    bool FolderExists(const std::string& fileName);
    // True when the path is a folder, false when it is a file; empty when it does not exist.
    std::optional<bool> FolderOrFile(const std::string& strPath);
    std::string SysPath(std::int32_t pathName);

    // INI profile access. A missing file, section or key reads as "Error" / 0.
    std::string GetIniStr(const std::string& iniNt, std::int16_t strLong);
    std::string GetIniStrEx(const std::string& iniPath, const std::string& iniPro,
                            const std::string& iniNt, std::int16_t strLong);
    std::int32_t GetIniLong(const std::string& iniNt);
    void SetIniStr(const std::string& iniNt, const std::string& strIn);

    // Window, shell and dialog helpers.
    void ClsEmpty();
    bool SendKillForm(const std::string& formstr);
    bool PostKillForm(const std::string& formstr);
    void FormANI(WindowHandle hWnd, const std::string& anipath);
    void FormUp(WindowHandle hWnd);
    void FormZC(WindowHandle hWnd);
    void FormDown(WindowHandle hWnd);
    void PathSxForm(const std::string& fileName, WindowHandle hWnd);
    bool CompFile(const std::string& file1, const std::string& file2);
    void NewPath(const std::string& newDirectory);
    void ReDesktop();

    // Waits `seconds` milliseconds while the window keeps handling its messages. Event handlers
    // may run (and call Sleep again) before it returns. A failure is handed back, not thrown.
    std::optional<TrovapiError> Sleep(std::int32_t seconds);

    std::string OpenFolder(const std::string& title = "", WindowHandle hWnd = 0);
    std::string SaveFile(WindowHandle winHwnd, const std::string& boxLabel = "",
                         const std::string& startPath = "",
                         const std::string& filterStr = "*.*|*.*", std::uint32_t flag = 0x200004);
    std::string OpenFile(WindowHandle winHwnd, const std::string& boxLabel = "",
                         const std::string& startPath = "",
                         const std::string& filterStr = "*.*|*.*", std::uint32_t flag = 0x200008);
    std::int32_t GetColor();
    std::int32_t ConnectDisk(WindowHandle hWnd = 0);
    std::int32_t ConnectPrint(WindowHandle hWnd = 0);
    std::int32_t DisconnectDisk(WindowHandle hWnd = 0);
    std::int32_t DisconnectPrint(WindowHandle hWnd = 0);
    // The shell's computer picker over the network; the chosen computer's name, empty when
    // cancelled. Without arguments the caption "网上邻居" and prompt "选择计算机名称." are used.
    std::string ShowNetWork(const std::optional<std::string>& frmCap = std::nullopt,
                            const std::optional<std::string>& labction = std::nullopt);
    std::string RevString(const std::string& revStr);
    // Starts the screen saver.
    void RunScr();

    std::string TrimLeft(std::string_view trimStr);
    std::string PathToFile(std::string_view filePath);
    std::string PathToFolder(std::string_view filePath);
    std::string GetShortPath(const std::string& sFile);
    std::string NameToPath(const std::string& pathIn);
    std::string GetAppPath();
    std::int32_t GetRnd();
    void ShellFile(const std::string& filePath, WindowHandle winHwnd = 0,
                   std::int32_t formStyle = 1);

private:
    std::string ReadProfileText(const std::string& file, const std::string& section,
                                const std::string& key, std::int16_t size);
    std::string FileDialog(FileDialogKind kind, WindowHandle owner, const std::string& boxLabel,
                           const std::string& startPath, const std::string& filterStr,
                           std::uint32_t flag);
    std::string ProgramFolderAsReported();
    void Position(WindowHandle hWnd, WindowHandle insertAfter);

    TrovapiPorts ports_;
    std::vector<char> iniBuffer_;
    // Timers of the waits in progress (nested waits each keep their own); closed on destruction.
    std::vector<TimerHandle> waitTimers_;
    // Cleared on destruction, so a wait whose object was released inside it stops touching it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    WindowHandle killFormScratch_ = 0;
    bool positionScratch_ = false;
    std::uint32_t rndState_ = 0;
};

}  // namespace qvx::updlib
