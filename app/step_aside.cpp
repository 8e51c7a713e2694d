#include "app/step_aside.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "base/text.h"

namespace qvx::app {

namespace {

template <std::size_t N>
bool AnyIgnoringCase(const std::string_view (&names)[N], std::string_view name) {
    return std::any_of(std::begin(names), std::end(names), [name](std::string_view n) {
        return base::EqualIgnoringAsciiCase(n, name);
    });
}

// The shell's own window classes: desktop, taskbars, start menu and search, task view, the
// tray overflow and the taskbar's thumbnails. Window classes ignore case on Windows.
constexpr std::string_view kShellClasses[] = {
    "Progman",
    "WorkerW",
    "Shell_TrayWnd",
    "Shell_SecondaryTrayWnd",
    "ImmersiveLauncher",
    "MultitaskingViewFrame",
    "ForegroundStaging",
    "NotifyIconOverflowWindow",
    "TopLevelWindowForOverflowXamlIsland",
    "TaskListThumbnailWnd",
    "XamlExplorerHostIslandWindow",
};

// The shell's processes: any window they own (their CoreWindows included) is the shell's.
constexpr std::string_view kShellPrograms[] = {
    "explorer.exe",
    "ShellExperienceHost.exe",
    "StartMenuExperienceHost.exe",
    "SearchHost.exe",
    "SearchUI.exe",
    "SearchApp.exe",
    "ShellHost.exe",
};

std::int64_t OverlapArea(const ScreenRect& a, const ScreenRect& b) {
    const std::int64_t width = std::int64_t{std::min(a.right, b.right)} - std::max(a.left, b.left);
    const std::int64_t height = std::int64_t{std::min(a.bottom, b.bottom)} - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

// The monitor the platform names for the window; when the name is unknown, the one the window
// overlaps most (first in order on a tie), as the platform itself would choose.
const MonitorArea* MonitorOf(const ForegroundWindow& window,
                             const std::vector<MonitorArea>& monitors) {
    for (const MonitorArea& monitor : monitors) {
        if (!window.monitor.empty() &&
            base::EqualIgnoringAsciiCase(monitor.device, window.monitor)) {
            return &monitor;
        }
    }
    const ScreenRect& area = window.window.Empty() ? window.client : window.window;
    const MonitorArea* best = nullptr;
    std::int64_t bestOverlap = 0;
    for (const MonitorArea& monitor : monitors) {
        const std::int64_t overlap = OverlapArea(area, monitor.rect);
        if (overlap > bestOverlap) {
            best = &monitor;
            bestOverlap = overlap;
        }
    }
    return best;
}

}  // namespace

bool IsShellWindow(const ForegroundWindow& window) {
    return AnyIgnoringCase(kShellClasses, window.windowClass) ||
           AnyIgnoringCase(kShellPrograms, ProgramFileName(window.program));
}

bool IsFullScreen(const ForegroundWindow& window, const std::vector<MonitorArea>& monitors) {
    if (window.client.Empty()) {
        return false;
    }
    const MonitorArea* monitor = MonitorOf(window, monitors);
    return monitor != nullptr && window.client == monitor->rect;
}

std::vector<std::string> DisplaysCovered(const ScreenRect& rect,
                                         const std::vector<MonitorArea>& monitors) {
    std::vector<std::string> covered;
    for (const MonitorArea& monitor : monitors) {
        if (OverlapArea(rect, monitor.rect) > 0) {
            covered.push_back(monitor.device);
        }
    }
    return covered;
}

std::vector<std::string> ParseProgramList(std::string_view text) {
    std::vector<std::string> programs;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('|', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string name = base::TrimSpaces(text.substr(start, end - start));
        if (!name.empty() && !ProgramListed(programs, name)) {
            programs.push_back(std::move(name));
        }
        start = end + 1;
    }
    return programs;
}

std::string FormatProgramList(const std::vector<std::string>& programs) {
    std::string text;
    for (const std::string& program : programs) {
        if (!text.empty()) {
            text += '|';
        }
        text += program;
    }
    return text;
}

bool ProgramListed(const std::vector<std::string>& programs, std::string_view program) {
    if (program.empty()) {
        return false;
    }
    return std::any_of(programs.begin(), programs.end(), [program](const std::string& p) {
        return base::EqualIgnoringAsciiCase(p, program);
    });
}

std::string ProgramFileName(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::vector<std::string> DisplaysSteppingAside(const std::optional<ForegroundWindow>& front,
                                               const std::vector<MonitorArea>& monitors,
                                               const AsideRules& rules) {
    if (!front || IsShellWindow(*front)) {
        return {};
    }
    const bool excluded = ProgramListed(rules.excluded, ProgramFileName(front->program));
    const bool fullScreen = rules.fullScreenPause && IsFullScreen(*front, monitors);
    if (!excluded && !fullScreen) {
        return {};
    }
    // The client area says where the window is: the frame of a maximised window reaches a few
    // pixels onto the neighbouring monitor, which must keep its tint.
    const ScreenRect& area = front->client.Empty() ? front->window : front->client;
    return DisplaysCovered(area, monitors);
}

bool QuietMoment(Desktop& desktop) {
    if (!desktop.AcceptsNotifications()) {
        return true;
    }
    const std::optional<ForegroundWindow> front = desktop.Foreground();
    return front && !IsShellWindow(*front) && IsFullScreen(*front, desktop.Monitors());
}

}  // namespace qvx::app
