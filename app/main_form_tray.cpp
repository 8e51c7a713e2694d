// Single instance, the tray icon, the window icon and the website links.

#include <string>

#include "app/main_form.h"
#include "app/main_form_internal.h"
#include "base/product_site.h"
#include "base/text.h"

namespace qvx::app {

namespace {

constexpr const char* kTrayTip = "Quorvex，全天候呵护您的双眼！";
constexpr const char* kIconFileName = "quorvex.ico";
// A real mouse move carries its key-state flags (at most 0x7F) in wParam; a tray notification
// carries the icon's identifier. Identifiers are kept above that range so the two never meet.
constexpr std::uint32_t kLargestKeyState = 0xFF;
constexpr std::uint32_t kSpareTrayId = 0x5156;

}  // namespace

void MainForm::KillMeProcessID(const std::string& imageName) {
    const auto processes = ports_.processes.ProcessesNamed(base::TrimSpaces(imageName));
    if (!processes) {
        // No list, nothing to end: this copy starts all the same.
        return;
    }
    // Every other copy ends, whatever order the query lists them in; this one never does.
    const std::uint32_t self = ports_.processes.CurrentProcessId();
    for (const std::uint32_t id : *processes) {
        if (id != self) {
            ports_.processes.Terminate(id);
        }
    }
}

std::uintptr_t MainForm::GetWindowIcon(std::uintptr_t /*window*/, std::string& iconFile,
                                       std::int16_t index) {
    if (iconFile.empty() || !ports_.icons.Exists(iconFile)) {
        std::string folder = ports_.host.ProgramFolder();
        if (folder.empty() || folder.back() != '\\') {
            folder += '\\';
        }
        iconFile = folder + kIconFileName;
    }
    return ports_.icons.ExtractIcon(iconFile, index);
}

void MainForm::AddTrayIcon() {
    const std::uintptr_t window = ports_.host.MainWindow();
    std::string iconFile;
    std::uintptr_t icon = GetWindowIcon(window, iconFile, 0);
    if (icon == 0) {
        icon = ports_.icons.FallbackIcon();
    }
    trayRecord_.window = window;
    // The icon's handle names it, cut to the 32 bits of uID, which is all that comes back.
    const auto iconId = static_cast<std::uint32_t>(icon);
    trayRecord_.id = iconId > kLargestKeyState ? iconId : kSpareTrayId;
    trayRecord_.flags = tray::kFlagMessage | tray::kFlagIcon | tray::kFlagTip;
    trayRecord_.callbackMessage = tray::kMouseMove;
    trayRecord_.icon = icon;
    trayRecord_.tip = kTrayTip;
    ports_.tray.Add(trayRecord_);
    trayAdded_ = true;
}

void MainForm::RemoveTrayIcon() {
    if (!trayAdded_) {
        return;
    }
    ports_.tray.Remove(trayRecord_);
    trayAdded_ = false;
}

void MainForm::TaskbarCreated() {
    if (trayAdded_ && !ended_) {
        ports_.tray.Add(trayRecord_);
    }
}

void MainForm::Form_MouseMove(std::uintptr_t wParam, std::intptr_t lParam) {
    if (!trayAdded_ || wParam != trayRecord_.id) {
        return;  // an ordinary mouse move over the window
    }
    if (lParam == tray::kLeftButtonUp || lParam == tray::kRightButtonUp) {
        visible_ = !visible_;
    }
}

void MainForm::gangwang_Click() {
    ports_.shell.Open(base::kProductWebsiteHost);
}

void MainForm::xiazaidizhi_Click() {
    ports_.shell.Open(std::string("http://") + base::kProductWebsiteHost +
                      base::kProductDownloadPage);
}

}  // namespace qvx::app
