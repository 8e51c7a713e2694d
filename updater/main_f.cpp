#include "updater/main_f.h"

#include <utility>

namespace qvx::updater {
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
    return ShownText(ports_.text, ansi);
}

UpdatePhaseContext MainF::PhaseContext() {
    return UpdatePhaseContext{
        .view = view_,
        .tro = tro_,
        .download = *downFile_,
        .files = ports_.files,
        .trust = ports_.trust,
        .text = ports_.text,
        .messages = ports_.messages,
        .host = *this,
    };
}

void MainF::OfferFiles(VerifiedUpdate update) {
    filePhase_ = std::make_unique<FilePhase>(PhaseContext(), std::move(update));
    phase_ = UpdatePhase::Files;
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
        ports_.processes.Launch("quorvex.exe", ShowState::NormalFocus);
        EndProgram();
    } else if (caption == "退出升级" && phase_ == UpdatePhase::Finished) {
        EndProgram();
    } else if (phase_ == UpdatePhase::ServerChoice) {
        if (!infoPhase_) {
            infoPhase_ =
                std::make_unique<InfoFilePhase>(PhaseContext(), updExe_ != 0, updDic_ != 0);
        }
        infoPhase_->Start();
    } else if (phase_ == UpdatePhase::Files) {
        filePhase_->Start();
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
    ports_.files.ClearFolder(UpdateWorkFolder(tro_.AppPath));
}

// DownFile events: each goes to the phase it belongs to.

UpdatePhaseStep* MainF::CurrentStep() {
    if (phase_ == UpdatePhase::InfoFile) {
        return infoPhase_.get();
    }
    if (phase_ == UpdatePhase::Files) {
        return filePhase_.get();
    }
    return nullptr;
}

void MainF::OnDownFileProgress(long& value) {
    if (ended_) {
        return;
    }
    if (UpdatePhaseStep* step = CurrentStep()) {
        step->Progress(value);
    }
}

void MainF::OnDownFileWriteOver() {
    if (UpdatePhaseStep* step = CurrentStep()) {
        step->WriteOver();
    }
}

void MainF::OnDownFileDownloadOver() {
    if (ended_) {
        return;
    }
    if (UpdatePhaseStep* step = CurrentStep()) {
        step->DownloadOver();
    }
}

void MainF::OnDownFileLineError() {
    if (ended_) {
        return;
    }
    if (UpdatePhaseStep* step = CurrentStep()) {
        step->LineError();
    }
}

void MainF::OnDownFileWriteError() {
    if (ended_) {
        return;
    }
    if (UpdatePhaseStep* step = CurrentStep()) {
        step->WriteError();
    }
}

void MainF::OnDownFileTransferError() {
    if (ended_) {
        return;
    }
    if (UpdatePhaseStep* step = CurrentStep()) {
        step->TransferError();
    }
}

}  // namespace qvx::updater
