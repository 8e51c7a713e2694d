#include "updater/file_phase.h"

#include <string_view>
#include <utility>

#include "updater/file_install.h"
#include "updater/signed_update.h"

namespace qvx::updater {
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

FilePhase::FilePhase(const UpdatePhaseContext& context, VerifiedUpdate update)
    : ctx_(context), update_(std::move(update)) {}

void FilePhase::Start() {
    auto& view = ctx_.view;
    auto& tro = ctx_.tro;
    view.TopLab.caption = "正在下载文件...";
    view.ListM.items.clear();
    view.ListM.listIndex = -1;
    view.NextCmd.enabled = false;
    view.TipLab.visible = false;
    view.ProcM.visible = true;
    ctx_.host.DrawProc(0);

    tro.IniPro = "Info";
    fileCount_ = tro.GetIniLong("FileNum");
    tro.IniPro = "FileList";

    if (fileCount_ <= 0) {
        view.ListM.items.push_back("升级文件列表为空,没有可下载的文件。");
        Finish(false);
        return;
    }
    if (fileCount_ > kMaxFileCount) {
        view.ListM.items.push_back("升级文件列表过长(超过 " + std::to_string(kMaxFileCount) +
                                   " 个文件),已拒绝。");
        Finish(false);
        return;
    }

    // The list is read once, so that installing a new settings file cannot change the names
    // in the middle of the installation.
    fileNames_.clear();
    checkedNames_.clear();
    expected_.clear();
    isInfoFile_.clear();
    for (std::int32_t i = 1; i <= fileCount_; ++i) {
        fileNames_.push_back(tro.GetIniStr("File" + std::to_string(i), 255));
        checkedNames_.push_back(CheckUpdateFileName(fileNames_.back(), ctx_.text));
        const bool info =
            checkedNames_.back().safe && IsInfoFileName(checkedNames_.back().localPath);
        isInfoFile_.push_back(info);
        const auto signedFile = update_.signedFiles.find(fileNames_.back());
        if (info) {
            expected_.push_back(FileFingerprint{update_.info.size(), {}});
        } else if (signedFile != update_.signedFiles.end()) {
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
        view.ListM.items.push_back(ctx_.Shown(fileNames_[k]) + state);
    }
    if (refused) {
        Finish(false);
        return;
    }

    currentFile_ = 1;
    ctx_.files.ClearFolder(ctx_.WorkFolder());
    nextTransfer_ = true;
    RunTransfers();
}

// Each transfer unwinds before the next one starts, so a long list never deepens the stack.
void FilePhase::RunTransfers() {
    while (nextTransfer_ && !ctx_.host.Ended() && !finished_) {
        nextTransfer_ = false;
        StartFileTransfer();
    }
}

void FilePhase::StartFileTransfer() {
    const std::size_t k = static_cast<std::size_t>(currentFile_ - 1);
    const UpdateFileName& name = checkedNames_[k];
    ctx_.SetEntry(currentFile_ - 1, ctx_.Shown(fileNames_[k]) + " - [正在下载]");
    // The selection follows the file being fetched (a selection does nothing else in this
    // phase).
    ctx_.view.ListM.listIndex = currentFile_ - 1;
    ctx_.host.ModelChanged();
    if (!name.folderPart.empty()) {
        ctx_.files.CreateFolders(ctx_.WorkFolder() + name.folderPart);
    }
    ctx_.download.URL = update_.serverUrl + "/" + name.urlPath;
    ctx_.download.SaveFile = ctx_.WorkFolder() + name.localPath;
    writeOver_ = false;
    oversize_ = false;
    ctx_.download.CreateConnect();
    if (ctx_.host.Ended() || finished_) {
        return;  // the connection failed and the phase has been closed
    }
    ctx_.download.Start();
}

// A body longer than the signed size cannot be the signed file: it is stopped before it can
// fill the disk.
void FilePhase::Progress(long value) {
    const std::size_t k = static_cast<std::size_t>(currentFile_ - 1);
    if (k < expected_.size() && expected_[k] &&
        (value < 0 || static_cast<std::uint64_t>(value) > expected_[k]->size)) {
        oversize_ = true;
        ctx_.download.Cancel();
    }
}

void FilePhase::DownloadOver() {
    const std::size_t k = static_cast<std::size_t>(currentFile_ - 1);
    if (oversize_) {
        FileFailed(" - [校验失败]");
        return;
    }
    if (!ctx_.TransferSucceeded(writeOver_)) {
        const long status = ctx_.download.StatusCode();
        FileFailed(status >= 200 && status <= 299
                       ? " - [下载不完整]"
                       : " - [下载失败,服务器返回 " + std::to_string(status) + "]");
        return;
    }
    if (!MatchesSignedFile(k)) {
        FileFailed(" - [校验失败]");
        return;
    }
    ctx_.SetEntry(currentFile_ - 1, ctx_.Shown(fileNames_[k]) + " - [完成]");
    if (currentFile_ < fileCount_) {
        ++currentFile_;
        nextTransfer_ = true;  // RunTransfers starts it once this transfer has unwound
        return;
    }
    InstallAndFinish();
}

bool FilePhase::MatchesSignedFile(std::size_t k) {
    const std::string path = ctx_.WorkFolder() + checkedNames_[k].localPath;
    if (isInfoFile_[k]) {
        std::string bytes;
        return ctx_.files.ReadFile(path, kMaxInfoFileBytes, bytes) && bytes == update_.info;
    }
    const std::optional<FileFingerprint> got = ctx_.trust.Fingerprint(path);
    return got && got->size == expected_[k]->size && got->sha256 == expected_[k]->sha256;
}

void FilePhase::FileFailed(const std::string& reason) {
    const std::size_t k = static_cast<std::size_t>(currentFile_ - 1);
    ctx_.SetEntry(currentFile_ - 1, ctx_.Shown(fileNames_[k]) + reason);
    Finish(false);
}

void FilePhase::InstallAndFinish() {
    std::vector<std::string> localPaths;
    for (const UpdateFileName& name : checkedNames_) {
        localPaths.push_back(name.localPath);
    }
    FileInstall install(ctx_.files, ctx_.text, ctx_.tro.AppPath, ctx_.WorkFolder());
    const FileInstall::Outcome outcome = install.Install(localPaths);
    if (!outcome.failed) {
        Finish(true);
        return;
    }
    const std::size_t k = *outcome.failed;
    ctx_.SetEntry(static_cast<int>(k), ctx_.Shown(fileNames_[k]) + " - [安装失败]");
    // A journal that could not be undone stays in the work folder: the next start puts the
    // rest back.
    ctx_.view.ListM.items.push_back(outcome.restored
                                        ? "已恢复原有文件,本机程序未作改动。"
                                        : "部分原有文件未能恢复,请关闭本程序后重新运行升级程序。");
    Finish(false, outcome.restored);
}

void FilePhase::Finish(bool success, bool clearWorkFolder) {
    auto& view = ctx_.view;
    if (clearWorkFolder) {
        ctx_.files.ClearFolder(ctx_.WorkFolder());
    }
    view.ListM.items.push_back(success ? "系统在线升级 - [已完成]" : "系统在线升级 - [不成功！]");
    view.ListM.listIndex = static_cast<int>(view.ListM.items.size()) - 1;
    view.NextCmd.enabled = true;
    view.NextCmd.caption = success ? "运行系统" : "退出升级";
    finished_ = true;
    ctx_.host.EnterPhase(UpdatePhase::Finished);
    ctx_.host.ModelChanged();
}

}  // namespace qvx::updater
