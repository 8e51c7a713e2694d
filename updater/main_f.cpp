#include "updater/main_f.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "base/text.h"

namespace {

// The bar's border takes 2 pixels (30 twips) on every side; inside it the scale is in twips.
constexpr int kProcMBorderTwips = 30;

}  // namespace

MainF::MainF(const MainFPorts& ports) : ports_(ports), tro_(ports.trovapi) {
    view_.title = "Quorvex系统在线升级......";
    view_.clientWidth = 6375;
    view_.clientHeight = 3855;
    view_.PicM.rect = {240, 840, 1740, 2790};
    view_.TopLab = {{2200, 840, 1080, 180}, "选择服务器：", true};
    view_.ListM.rect = {2200, 1080, 3900, 1650};
    view_.TipLab = {{2200, 2760, 1890, 180}, "正在测试服务器速度...", true};
    view_.ProcM.rect = {2200, 2760, 3895, 255};
    view_.ProcM.scaleWidth = 3895 - 2 * kProcMBorderTwips;
    view_.ProcM.scaleHeight = 255 - 2 * kProcMBorderTwips;
    view_.ProcM.fillColor = 0x00984E00;  // RGB(0, 78, 152) as 0x00BBGGRR
    view_.Line1 = {2205, 6120, 3120};
    view_.Exit = {{2200, 3240, 1215, 375}, "退出程序", true};
    // Enabled by the selection handler as soon as a measured server is selected.
    view_.NextCmd = {{4920, 3240, 1215, 375}, "下一步", false};
}

MainF::~MainF() = default;

void MainF::Changed() {
    ports_.host.ModelChanged();
}

void MainF::EndProgram() {
    ended_ = true;
    ports_.host.EndProgram();
}

std::string MainF::Shown(const std::string& ansi) {
    return qvx::base::Utf16ToUtf8(ports_.text.AnsiToWide(ansi));
}

std::string MainF::WorkFolder() const {
    return tro_.AppPath + "qvxUpgraded\\";
}

void MainF::SetEntry(int index, const std::string& text) {
    auto& items = view_.ListM.items;
    if (index >= 0 && static_cast<std::size_t>(index) < items.size()) {
        items[static_cast<std::size_t>(index)] = text;
    } else if (index >= 0 && static_cast<std::size_t>(index) == items.size()) {
        items.push_back(text);
    }
}

void MainF::SetListIndex(int index) {
    view_.ListM.listIndex = index;
    ListM_Click();
}

void MainF::ListM_Click() {
    if (phase_ != UpdatePhase::ServerChoice) {
        return;
    }
    const int index = view_.ListM.listIndex;
    if (index < 0 || static_cast<std::size_t>(index) >= view_.ListM.items.size()) {
        return;
    }
    const std::string& entry = view_.ListM.items[static_cast<std::size_t>(index)];
    if (tro_.TrimLeft(entry).empty()) {
        return;
    }
    static const std::string kInvalid = "(无效服务器)";
    const bool invalid =
        entry.size() >= kInvalid.size() &&
        entry.compare(entry.size() - kInvalid.size(), kInvalid.size(), kInvalid) == 0;
    view_.NextCmd.enabled = !invalid;
    Changed();
}

void MainF::NextCmd_Click() {
    const std::string& caption = view_.NextCmd.caption;
    if (caption == "关 闭" || (caption == "运行系统" && phase_ == UpdatePhase::Finished)) {
        ports_.processes.Launch("quorvex.exe", upd::ShowState::NormalFocus);
        EndProgram();
    } else if (caption == "退出升级" && phase_ == UpdatePhase::Finished) {
        EndProgram();
    } else if (phase_ == UpdatePhase::ServerChoice) {
        StartInfoFilePhase();
    } else if (phase_ == UpdatePhase::Files) {
        StartFilePhase();
    }
}

void MainF::Exit_Click() {
    EndProgram();
}

void MainF::DrawProc(std::int32_t ProcValue) {
    auto& bar = view_.ProcM;
    if (ProcValue == 0) {
        bar.fills.clear();
    } else {
        if (ProcValue > 99) {
            bar.fills.push_back({1, 1, bar.scaleWidth - 2, bar.scaleHeight - 2});
        }
        bar.fills.push_back({1, 1, bar.scaleWidth / 100 * ProcValue - 2, bar.scaleHeight - 2});
    }
    Changed();
}

void MainF::DelTemp() {
    ports_.files.ClearFolder(WorkFolder());
}

bool MainF::TransferSucceeded() const {
    const long status = downFile_->StatusCode();
    return writeOver_ && status >= 200 && status <= 299;
}

// DownFile events: each acts in the phase it belongs to.

void MainF::OnDownFileProgress(long& value) {
    if (ended_) {
        return;
    }
    if (phase_ == UpdatePhase::InfoFile) {
        InfoFileProgress(value);
    } else if (phase_ == UpdatePhase::Files) {
        FileProgress(value);
    }
}

void MainF::OnDownFileWriteOver() {
    writeOver_ = true;
}

void MainF::OnDownFileDownloadOver() {
    if (ended_) {
        return;
    }
    if (phase_ == UpdatePhase::InfoFile && fetchingSignature_) {
        if (TransferSucceeded()) {
            JudgeInfoFile();
        } else {
            SignatureRefused();
        }
    } else if (phase_ == UpdatePhase::InfoFile) {
        if (TransferSucceeded()) {
            FetchSignature();
        } else {
            InfoFileFailed();
        }
    } else if (phase_ == UpdatePhase::Files) {
        FileDownloaded();
    }
}

// A signature that cannot be had counts as a missing one; a failed information file is a failed
// connection.
void MainF::PhaseOneTransferFailed() {
    if (fetchingSignature_) {
        SignatureRefused();
    } else {
        InfoFileFailed();
    }
}

void MainF::OnDownFileLineError() {
    if (ended_) {
        return;
    }
    if (phase_ == UpdatePhase::InfoFile) {
        PhaseOneTransferFailed();
    } else if (phase_ == UpdatePhase::Files) {
        FileFailed(" - [连接失败]");
    }
}

void MainF::OnDownFileWriteError() {
    if (ended_) {
        return;
    }
    // The old information file could not be removed: the window waits for Exit.
    if (phase_ == UpdatePhase::InfoFile && fetchingSignature_) {
        SignatureRefused();
    } else if (phase_ == UpdatePhase::Files) {
        FileFailed(" - [保存失败]");
    }
}

void MainF::OnDownFileTransferError() {
    if (ended_) {
        return;
    }
    if (phase_ == UpdatePhase::InfoFile) {
        PhaseOneTransferFailed();
    } else if (phase_ == UpdatePhase::Files) {
        FileFailed(" - [下载不完整]");
    }
}

std::string FormatPercent(double percent) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", percent);
    return buffer;
}

bool ParseVersion(const std::string& text, double& value) {
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos) {
        return false;
    }
    const char* first = text.data() + begin;
    const char* last = text.data() + end + 1;
    if (*first == '+') {
        ++first;
    }
    double parsed = 0;
    auto [ptr, ec] = std::from_chars(first, last, parsed, std::chars_format::fixed);
    if (ec != std::errc() || ptr != last || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}
