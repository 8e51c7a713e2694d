// Phase 2: fetch every listed file into the work folder, then install them all or none.

#include "updater/main_f.h"

namespace {

// A replaced file waits under this suffix until every copy has succeeded.
constexpr const char* kBackupSuffix = ".qvxold";

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

    // The list is read once, so that installing a new settings file cannot change the names
    // in the middle of the installation.
    fileNames_.clear();
    checkedNames_.clear();
    for (loopIndex_ = 1; loopIndex_ <= fileCount_; ++loopIndex_) {
        fileNames_.push_back(tro_.GetIniStr("File" + std::to_string(loopIndex_), 255));
        checkedNames_.push_back(CheckUpdateFileName(fileNames_.back(), ports_.text));
    }

    if (fileCount_ <= 0) {
        view_.ListM.items.push_back("升级文件列表为空,没有可下载的文件。");
        FinishFilePhase(false);
        return;
    }

    // A name that could reach outside the program folder stops the update before any transfer.
    bool refused = false;
    for (std::size_t k = 0; k < fileNames_.size(); ++k) {
        if (checkedNames_[k].safe) {
            view_.ListM.items.push_back(Shown(fileNames_[k]) + " - [等待]");
        } else {
            view_.ListM.items.push_back(Shown(fileNames_[k]) + " - [文件名不安全,已拒绝]");
            refused = true;
        }
    }
    if (refused) {
        FinishFilePhase(false);
        return;
    }

    currentFile_ = 1;
    DelTemp();
    StartFileTransfer();
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
    downFile_->CreateConnect();
    if (ended_ || phase_ != 2) {
        return;  // the connection failed and the phase has been closed
    }
    downFile_->Start();
}

void MainF::FileDownloaded() {
    const std::size_t k = static_cast<std::size_t>(currentFile_ - 1);
    if (!TransferSucceeded()) {
        const long status = downFile_->StatusCode();
        FileFailed(status >= 200 && status <= 299
                       ? " - [下载不完整]"
                       : " - [下载失败,服务器返回 " + std::to_string(status) + "]");
        return;
    }
    SetEntry(currentFile_ - 1, Shown(fileNames_[k]) + " - [完成]");
    if (currentFile_ < fileCount_) {
        ++currentFile_;
        StartFileTransfer();  // nested inside the previous transfer's completion
        return;
    }
    FinishFilePhase(InstallFiles());
}

void MainF::FileFailed(const std::string& reason) {
    const std::size_t k = static_cast<std::size_t>(currentFile_ - 1);
    SetEntry(currentFile_ - 1, Shown(fileNames_[k]) + reason);
    FinishFilePhase(false);
}

// Every target that exists is renamed aside first (this also frees the name of a running
// program file, the updater's own included); a failure puts every replaced file back.
bool MainF::InstallFiles() {
    struct Step {
        std::string target;
        std::string backup;
        bool hadOld = false;
        bool copied = false;
    };
    std::vector<Step> steps;
    bool ok = true;
    for (loopIndex_ = 1; loopIndex_ <= fileCount_ && ok; ++loopIndex_) {
        const UpdateFileName& name = checkedNames_[static_cast<std::size_t>(loopIndex_ - 1)];
        Step step;
        step.target = tro_.AppPath + name.localPath;
        step.backup = step.target + kBackupSuffix;
        if (!name.folderPart.empty()) {
            ports_.files.CreateFolders(tro_.AppPath + name.folderPart);
        }
        if (ports_.files.FileExists(step.target)) {
            ports_.files.RemoveFile(step.backup);  // left over from an earlier update
            step.hadOld = ports_.files.Rename(step.target, step.backup);
            ok = step.hadOld;
        }
        if (ok) {
            step.copied = ports_.files.CopyOver(WorkFolder() + name.localPath, step.target);
            ok = step.copied;
        }
        if (!ok) {
            SetEntry(loopIndex_ - 1,
                     Shown(fileNames_[static_cast<std::size_t>(loopIndex_ - 1)]) + " - [安装失败]");
        }
        steps.push_back(step);
    }

    if (ok) {
        for (const Step& step : steps) {
            if (step.hadOld) {
                ports_.files.RemoveFile(step.backup);  // a running program file stays; harmless
            }
        }
        return true;
    }
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (it->copied) {
            ports_.files.RemoveFile(it->target);
        }
        if (it->hadOld) {
            ports_.files.Rename(it->backup, it->target);
        }
    }
    view_.ListM.items.push_back("已恢复原有文件,本机程序未作改动。");
    return false;
}

void MainF::FinishFilePhase(bool success) {
    DelTemp();
    view_.ListM.items.push_back(success ? "系统在线升级 - [已完成]" : "系统在线升级 - [不成功！]");
    view_.ListM.listIndex = static_cast<int>(view_.ListM.items.size()) - 1;
    view_.NextCmd.enabled = true;
    view_.NextCmd.caption = success ? "运行系统" : "退出升级";
    phase_ = 3;
    Changed();
}
