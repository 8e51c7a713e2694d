// Phase 2: fetch every listed file into the work folder, check each against the signed
// information file, then install them all or none.

#include "updater/file_install.h"
#include "updater/main_f.h"
#include "updater/signed_update.h"

namespace {

// Windows file names ignore case: any spelling of this name is the information file itself.
bool IsInfoFileName(const std::string& localPath) {
    static constexpr std::string_view kInfo = "qvxupgraded.ini";
    if (localPath.size() != kInfo.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kInfo.size(); ++i) {
        const char c = localPath[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kInfo[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

void MainF::StartFilePhase() {
    view_.TopLab.caption = "正在下载文件...";
    view_.ListM.items.clear();
    view_.ListM.listIndex = -1;
    view_.NextCmd.enabled = false;
    view_.TipLab.visible = false;
    view_.ProcM.visible = true;
    DrawProc(0);

    tro_.IniPro = "Info";
    fileCount_ = tro_.GetIniLong("FileNum");
    tro_.IniPro = "FileList";

    if (fileCount_ <= 0) {
        view_.ListM.items.push_back("升级文件列表为空,没有可下载的文件。");
        FinishFilePhase(false);
        return;
    }
    if (fileCount_ > upd::kMaxFileCount) {
        view_.ListM.items.push_back("升级文件列表过长(超过 " + std::to_string(upd::kMaxFileCount) +
                                    " 个文件),已拒绝。");
        FinishFilePhase(false);
        return;
    }

    // The list is read once, so that installing a new settings file cannot change the names
    // in the middle of the installation.
    fileNames_.clear();
    checkedNames_.clear();
    expected_.clear();
    isInfoFile_.clear();
    for (loopIndex_ = 1; loopIndex_ <= fileCount_; ++loopIndex_) {
        fileNames_.push_back(tro_.GetIniStr("File" + std::to_string(loopIndex_), 255));
        checkedNames_.push_back(CheckUpdateFileName(fileNames_.back(), ports_.text));
        const bool info =
            checkedNames_.back().safe && IsInfoFileName(checkedNames_.back().localPath);
        isInfoFile_.push_back(info);
        const auto signedFile = signedFiles_.find(fileNames_.back());
        if (info) {
            expected_.push_back(upd::FileFingerprint{verifiedInfo_.size(), {}});
        } else if (signedFile != signedFiles_.end()) {
            expected_.push_back(signedFile->second);
        } else {
            expected_.push_back(std::nullopt);
        }
    }

    // A name that could reach outside the program folder, or a file the publisher did not sign,
    // stops the update before any transfer.
    bool refused = false;
    for (std::size_t k = 0; k < fileNames_.size(); ++k) {
        std::string state = " - [等待]";
        if (!checkedNames_[k].safe) {
            state = " - [文件名不安全,已拒绝]";
        } else if (!expected_[k]) {
            state = " - [未经签名校验,已拒绝]";
        }
        refused = refused || state != " - [等待]";
        view_.ListM.items.push_back(Shown(fileNames_[k]) + state);
    }
    if (refused) {
        FinishFilePhase(false);
        return;
    }

    currentFile_ = 1;
    DelTemp();
    nextTransfer_ = true;
    RunTransfers();
}

// Each transfer unwinds before the next one starts, so a long list never deepens the stack.
void MainF::RunTransfers() {
    while (nextTransfer_ && !ended_ && phase_ == UpdatePhase::Files) {
        nextTransfer_ = false;
        StartFileTransfer();
    }
}

void MainF::StartFileTransfer() {
    const std::size_t k = static_cast<std::size_t>(currentFile_ - 1);
    const UpdateFileName& name = checkedNames_[k];
    SetEntry(currentFile_ - 1, Shown(fileNames_[k]) + " - [正在下载]");
    SetListIndex(currentFile_ - 1);
    Changed();
    if (!name.folderPart.empty()) {
        ports_.files.CreateFolders(WorkFolder() + name.folderPart);
    }
    downFile_->URL = serverUrl_ + "/" + name.urlPath;
    downFile_->SaveFile = WorkFolder() + name.localPath;
    writeOver_ = false;
    oversize_ = false;
    downFile_->CreateConnect();
    if (ended_ || phase_ != UpdatePhase::Files) {
        return;  // the connection failed and the phase has been closed
    }
    downFile_->Start();
}

// A body longer than the signed size cannot be the signed file: it is stopped before it can
// fill the disk.
void MainF::FileProgress(long value) {
    const std::size_t k = static_cast<std::size_t>(currentFile_ - 1);
    if (k < expected_.size() && expected_[k] &&
        (value < 0 || static_cast<std::uint64_t>(value) > expected_[k]->size)) {
        oversize_ = true;
        downFile_->Cancel();
    }
}

void MainF::FileDownloaded() {
    const std::size_t k = static_cast<std::size_t>(currentFile_ - 1);
    if (oversize_) {
        FileFailed(" - [校验失败]");
        return;
    }
    if (!TransferSucceeded()) {
        const long status = downFile_->StatusCode();
        FileFailed(status >= 200 && status <= 299
                       ? " - [下载不完整]"
                       : " - [下载失败,服务器返回 " + std::to_string(status) + "]");
        return;
    }
    if (!MatchesSignedFile(k)) {
        FileFailed(" - [校验失败]");
        return;
    }
    SetEntry(currentFile_ - 1, Shown(fileNames_[k]) + " - [完成]");
    if (currentFile_ < fileCount_) {
        ++currentFile_;
        nextTransfer_ = true;  // RunTransfers starts it once this transfer has unwound
        return;
    }
    InstallAndFinish();
}

bool MainF::MatchesSignedFile(std::size_t k) {
    const std::string path = WorkFolder() + checkedNames_[k].localPath;
    if (isInfoFile_[k]) {
        std::string bytes;
        return ports_.files.ReadFile(path, upd::kMaxInfoFileBytes, bytes) && bytes == verifiedInfo_;
    }
    const std::optional<upd::FileFingerprint> got = ports_.trust.Fingerprint(path);
    return got && got->size == expected_[k]->size && got->sha256 == expected_[k]->sha256;
}

void MainF::FileFailed(const std::string& reason) {
    const std::size_t k = static_cast<std::size_t>(currentFile_ - 1);
    SetEntry(currentFile_ - 1, Shown(fileNames_[k]) + reason);
    FinishFilePhase(false);
}

void MainF::InstallAndFinish() {
    std::vector<std::string> localPaths;
    for (const UpdateFileName& name : checkedNames_) {
        localPaths.push_back(name.localPath);
    }
    upd::FileInstall install(ports_.files, ports_.text, tro_.AppPath, WorkFolder());
    const upd::FileInstall::Outcome outcome = install.Install(localPaths);
    if (!outcome.failed) {
        FinishFilePhase(true);
        return;
    }
    const std::size_t k = *outcome.failed;
    SetEntry(static_cast<int>(k), Shown(fileNames_[k]) + " - [安装失败]");
    // A journal that could not be undone stays in the work folder: the next start puts the
    // rest back.
    view_.ListM.items.push_back(outcome.restored
                                    ? "已恢复原有文件,本机程序未作改动。"
                                    : "部分原有文件未能恢复,请关闭本程序后重新运行升级程序。");
    FinishFilePhase(false, outcome.restored);
}

void MainF::FinishFilePhase(bool success, bool clearWorkFolder) {
    if (clearWorkFolder) {
        DelTemp();
    }
    view_.ListM.items.push_back(success ? "系统在线升级 - [已完成]" : "系统在线升级 - [不成功！]");
    view_.ListM.listIndex = static_cast<int>(view_.ListM.items.size()) - 1;
    view_.NextCmd.enabled = true;
    view_.NextCmd.caption = success ? "运行系统" : "退出升级";
    phase_ = UpdatePhase::Finished;
    Changed();
}
