#pragma once
// When the tint steps aside: which displays the window in front covers, whether it is
// full-screen, whether its program is one the user chose, and so which displays show the
// identity ramp now.

#include <string>
#include <string_view>
#include <vector>

#include "app/desktop_ports.h"

namespace qvx::app {

// The shell's own windows never count as a program in front: the desktop, the taskbar, the
// start menu, task view and the like, and the shell's processes.
bool IsShellWindow(const ForegroundWindow& window);

// The window's client area equals the rectangle of its monitor, exactly.
bool IsFullScreen(const ForegroundWindow& window, const std::vector<MonitorArea>& monitors);

// Device names of the monitors the rectangle overlaps (by at least one pixel), in the
// monitors' order.
std::vector<std::string> DisplaysCovered(const ScreenRect& rect,
                                         const std::vector<MonitorArea>& monitors);

// "ExcludedPrograms": file names separated by "|"; blanks around a name and empty names are
// dropped, a name listed twice (ignoring case) is kept once.
std::vector<std::string> ParseProgramList(std::string_view text);
std::string FormatProgramList(const std::vector<std::string>& programs);
// The program is in the list, compared without regard to ASCII case.
bool ProgramListed(const std::vector<std::string>& programs, std::string_view program);
// The file name of a path ("C:\Apps\Photoshop.exe" -> "Photoshop.exe"; "/" counts too).
std::string ProgramFileName(std::string_view path);

struct AsideRules {
    bool fullScreenPause = false;        // "FullScreenPause"
    std::vector<std::string> excluded;   // "ExcludedPrograms"
};

// The displays that show the identity ramp because of the window in front: the displays it
// covers when it is full-screen (with fullScreenPause) or its program is excluded; none for
// the shell or when nothing is in front.
std::vector<std::string> DisplaysSteppingAside(const std::optional<ForegroundWindow>& front,
                                               const std::vector<MonitorArea>& monitors,
                                               const AsideRules& rules);

// A full-screen program or presentation is in front: the shell does not accept notifications,
// or a window that is not the shell's covers its monitor.
bool QuietMoment(Desktop& desktop);

}  // namespace qvx::app
