// Phase 1: fetch the chosen server's update information file, verify it and decide.

#include <charconv>
#include <cmath>
#include <limits>

#include "updater/main_f.h"
#include "updater/signed_update.h"

namespace {

constexpr const char* kMarker = "Quorvex_Soft_qvxUpgraded";
constexpr const char* kInfoName = "qvxUpgraded.ini";
constexpr const char* kSignatureName = "qvxUpgraded.ini.sig";

}  // namespace

void MainF::StartInfoFilePhase() {
    view_.TipLab.caption = "正在连接至更新服务器 ...";
    view_.NextCmd.enabled = false;
    Changed();

    const std::string infoFile = WorkFolder() + kInfoName;
    ports_.files.RemoveFile(infoFile);
    ports_.files.RemoveFile(WorkFolder() + kSignatureName);
    fetchingSignature_ = false;
    verifiedInfo_.clear();
    signedFiles_.clear();

    serverUrl_ = tro_.GetIniStrEx(tro_.IniPath, "Server",
                                  "SerUrl" + std::to_string(view_.ListM.listIndex + 1), 255);
    if (tro_.TrimLeft(serverUrl_).empty()) {
        ports_.messages.Show("无法连接到服务器！", updlib::MessageIcon::Error);
        return;
    }

    phase_ = UpdatePhase::InfoFile;
    view_.ListM.items.clear();
    view_.ListM.listIndex = -1;
    Changed();
    tro_.Sleep(200);
    if (ended_) {
        return;
    }
    view_.ListM.items.push_back("升级信息文件 [下载中] ... 0%");
    view_.ProcM.visible = true;
    Changed();
    downFile_->URL = serverUrl_ + "/" + kInfoName;
    downFile_->SaveFile = infoFile;
    writeOver_ = false;
    downFile_->CreateConnect();
    if (ended_) {
        return;
    }
    downFile_->Start();
}

void MainF::InfoFileProgress(long value) {
    // Neither the information file nor its signature is ever large: a server that sends more is
    // stopped at once.
    if (value < 0 || static_cast<unsigned long>(value) > upd::kMaxInfoFileBytes) {
        downFile_->Cancel();
        return;
    }
    if (fetchingSignature_) {
        return;
    }
    // Without a declared length there is no percentage: the line counts bytes and the bar waits.
    long long length = 0;
    const std::string declared = tro_.TrimLeft(downFile_->FileLength());
    const auto parsed = std::from_chars(declared.data(), declared.data() + declared.size(), length);
    if (parsed.ec != std::errc() || parsed.ptr != declared.data() + declared.size() ||
        length <= 0) {
        SetEntry(0, "升级信息文件 [下载中] ... " + std::to_string(value) + " 字节");
        Changed();
        return;
    }
    const double percent = static_cast<double>(value) / static_cast<double>(length) * 100;
    const double rounded = std::nearbyint(percent);  // halves to even
    const double limit = std::numeric_limits<std::int32_t>::max();
    DrawProc(static_cast<std::int32_t>(rounded > limit ? limit : rounded));
    SetEntry(0, "升级信息文件 [下载中] ... " + FormatPercent(percent) + "%");
    Changed();
}

// No connection, or an answer that is no complete information file: the same way out as a
// failed connection.
void MainF::InfoFileFailed() {
    ports_.messages.Show("升级信息文件下载失败！\r\n\r\n请更换一个服务器尝试重新连接。",
                         updlib::MessageIcon::Exclamation);
    EndProgram();
}

// The signature lies beside the information file; it is fetched from inside the information
// file's completion, so nothing of the file is read before both are here.
void MainF::FetchSignature() {
    fetchingSignature_ = true;
    downFile_->URL = serverUrl_ + "/" + kSignatureName;
    downFile_->SaveFile = WorkFolder() + kSignatureName;
    writeOver_ = false;
    downFile_->CreateConnect();
    if (ended_ || !fetchingSignature_) {
        return;  // no connection: already refused
    }
    downFile_->Start();
}

bool MainF::SignatureValid() {
    std::string info;
    std::string signatureFile;
    if (!ports_.files.ReadFile(WorkFolder() + kInfoName, upd::kMaxInfoFileBytes, info) ||
        !ports_.files.ReadFile(WorkFolder() + kSignatureName, upd::kMaxInfoFileBytes,
                               signatureFile)) {
        return false;
    }
    const std::optional<std::string> signature = upd::ParseSignatureFile(signatureFile);
    if (!signature || !ports_.trust.VerifySignature(info, *signature)) {
        return false;
    }
    verifiedInfo_ = std::move(info);
    signedFiles_ = upd::ReadFileDigests(verifiedInfo_);
    return true;
}

// Missing, cut or foreign: the file may come from anyone, so nothing it names is fetched. The
// same dead end as a failed marker check: only Exit is left.
void MainF::SignatureRefused() {
    fetchingSignature_ = false;
    view_.TopLab.caption = "分析信息文件：";
    SetEntry(0, "升级信息文件 [下载完毕]");
    view_.ListM.items.push_back("升级信息文件签名无效,已停止升级。");
    Changed();
    ports_.messages.Show("升级信息文件签名无效！\r\n\r\n为保证安全，本次不会下载任何文件。",
                         updlib::MessageIcon::Error);
}

void MainF::JudgeInfoFile() {
    fetchingSignature_ = false;
    if (!SignatureValid()) {
        SignatureRefused();
        return;
    }
    auto& items = view_.ListM.items;
    view_.TopLab.caption = "分析信息文件：";
    SetEntry(0, "升级信息文件 [下载完毕]");
    items.push_back("正在分析升级信息文件 ...");
    items.push_back("正在校验升级信息文件 ...");

    const std::string infoFile = WorkFolder() + kInfoName;
    const std::string marker = tro_.GetIniStrEx(infoFile, "Info", "InfoStr", 255);
    if (marker != kMarker) {
        Changed();
        ports_.messages.Show("升级信息文件校验失败！\r\n\r\n信息文件下载可能出错。",
                             updlib::MessageIcon::Error);
        return;
    }
    items.push_back("升级信息文件校验成功 ...");

    serverExeVer_ = tro_.GetIniStrEx(infoFile, "Info", "ExeVerM", 255);
    serverDicVer_ = tro_.GetIniStrEx(infoFile, "Info", "ExeVerZ", 255);
    if (updExe_ != 0) {
        items.push_back("服务器程序最新版本为 : " + Shown(serverExeVer_));
    }
    if (updDic_ != 0) {
        items.push_back("服务器词条最新版本为 : " + Shown(serverDicVer_));
    }

    // A version that is not a number is never newer.
    double offered = 0;
    exeUpdate_ = 0;
    if (ParseVersion(serverExeVer_, offered) && offered > tro_.GetIniLong("ExeVerM")) {
        items.push_back("用户程序有最新版本。");
        exeUpdate_ = 1;
    } else {
        items.push_back("用户程序不需要更新。");
    }

    view_.ProcM.visible = false;
    view_.NextCmd.enabled = true;
    if (ParseVersion(serverDicVer_, offered) && offered > tro_.GetIniLong("ExeVerZ")) {
        items.push_back("用户词条有最新版本。");
        view_.TipLab.caption = exeUpdate_ == 1 ? "您的词条和程序都需要更新,请继续 ..."
                                               : "服务器发现最新的词条,请继续 ...";
        phase_ = UpdatePhase::Files;
    } else {
        items.push_back("用户词条不需要更新。");
        if (exeUpdate_ == 1) {
            view_.TipLab.caption = "服务器有新版本的程序,请继续 ...";
            phase_ = UpdatePhase::Files;
        } else {
            view_.TipLab.caption = "程序为最新,不需要升级！";
            view_.NextCmd.caption = "关 闭";
        }
    }
    Changed();
}
