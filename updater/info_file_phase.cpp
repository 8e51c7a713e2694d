#include "updater/info_file_phase.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "base/ini_text.h"
#include "updater/signed_update.h"

namespace qvx::updater {
namespace {

constexpr const char* kMarker = "Quorvex_Soft_qvxUpgraded";
constexpr const char* kInfoName = "qvxUpgraded.ini";
constexpr const char* kSignatureName = "qvxUpgraded.ini.sig";

// A text of the [Info] section of the verified bytes, as the settings reader would give it with a
// 255-byte buffer: one pair of quotes around it dropped, cut to 254 bytes, "Error" when missing.
std::string InfoText(std::string_view info, const char* key) {
    std::string value = base::IniValue(info, "Info", key).value_or("Error");
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    value.resize(std::min<std::size_t>(value.size(), 254));
    return value;
}

}  // namespace

InfoFilePhase::InfoFilePhase(const UpdatePhaseContext& context, bool updExe, bool updDic)
    : ctx_(context), updExe_(updExe), updDic_(updDic) {}

void InfoFilePhase::Start() {
    auto& view = ctx_.view;
    auto& tro = ctx_.tro;
    view.TipLab.caption = "正在连接至更新服务器 ...";
    view.NextCmd.enabled = false;
    ctx_.host.ModelChanged();

    const std::string infoFile = ctx_.WorkFolder() + kInfoName;
    ctx_.files.RemoveFile(infoFile);
    ctx_.files.RemoveFile(ctx_.WorkFolder() + kSignatureName);
    fetchingSignature_ = false;
    verifiedInfo_.clear();
    signedFiles_.clear();

    serverUrl_ = tro.GetIniStrEx(tro.IniPath, "Server",
                                 "SerUrl" + std::to_string(view.ListM.listIndex + 1), 255);
    if (tro.TrimLeft(serverUrl_).empty()) {
        ctx_.messages.Show("无法连接到服务器！", updlib::MessageIcon::Error);
        return;
    }

    ctx_.host.EnterPhase(UpdatePhase::InfoFile);
    view.ListM.items.clear();
    view.ListM.listIndex = -1;
    ctx_.host.ModelChanged();
    tro.Sleep(200);
    if (ctx_.host.Ended()) {
        return;
    }
    view.ListM.items.push_back("升级信息文件 [下载中] ... 0%");
    view.ProcM.visible = true;
    ctx_.host.ModelChanged();
    ctx_.download.URL = serverUrl_ + "/" + kInfoName;
    ctx_.download.SaveFile = infoFile;
    writeOver_ = false;
    ctx_.download.CreateConnect();
    if (ctx_.host.Ended()) {
        return;
    }
    ctx_.download.Start();
}

void InfoFilePhase::Progress(long value) {
    // Neither the information file nor its signature is ever large: a server that sends more is
    // stopped at once.
    if (value < 0 || static_cast<unsigned long>(value) > kMaxInfoFileBytes) {
        ctx_.download.Cancel();
        return;
    }
    if (fetchingSignature_) {
        return;
    }
    // Without a declared length there is no percentage: the line counts bytes and the bar waits.
    long long length = 0;
    const std::string declared = ctx_.tro.TrimLeft(ctx_.download.FileLength());
    const auto parsed = std::from_chars(declared.data(), declared.data() + declared.size(), length);
    if (parsed.ec != std::errc() || parsed.ptr != declared.data() + declared.size() ||
        length <= 0) {
        ctx_.SetEntry(0, "升级信息文件 [下载中] ... " + std::to_string(value) + " 字节");
        ctx_.host.ModelChanged();
        return;
    }
    const double percent = static_cast<double>(value) / static_cast<double>(length) * 100;
    const double rounded = std::nearbyint(percent);  // halves to even
    const double limit = std::numeric_limits<std::int32_t>::max();
    ctx_.host.DrawProc(static_cast<std::int32_t>(rounded > limit ? limit : rounded));
    ctx_.SetEntry(0, "升级信息文件 [下载中] ... " + FormatPercent(percent) + "%");
    ctx_.host.ModelChanged();
}

void InfoFilePhase::DownloadOver() {
    if (fetchingSignature_) {
        if (ctx_.TransferSucceeded(writeOver_)) {
            JudgeInfoFile();
        } else {
            SignatureRefused();
        }
    } else if (ctx_.TransferSucceeded(writeOver_)) {
        FetchSignature();
    } else {
        InfoFileFailed();
    }
}

// The old information file could not be removed: the window waits for Exit.
void InfoFilePhase::WriteError() {
    if (fetchingSignature_) {
        SignatureRefused();
    }
}

// A signature that cannot be had counts as a missing one; a failed information file is a failed
// connection.
void InfoFilePhase::TransferFailed() {
    if (fetchingSignature_) {
        SignatureRefused();
    } else {
        InfoFileFailed();
    }
}

// No connection, or an answer that is no complete information file: the same way out as a
// failed connection.
void InfoFilePhase::InfoFileFailed() {
    ctx_.messages.Show("升级信息文件下载失败！\r\n\r\n请更换一个服务器尝试重新连接。",
                       updlib::MessageIcon::Exclamation);
    ctx_.host.EndProgram();
}

// The signature lies beside the information file; it is fetched from inside the information
// file's completion, so nothing of the file is read before both are here.
void InfoFilePhase::FetchSignature() {
    fetchingSignature_ = true;
    ctx_.download.URL = serverUrl_ + "/" + kSignatureName;
    ctx_.download.SaveFile = ctx_.WorkFolder() + kSignatureName;
    writeOver_ = false;
    ctx_.download.CreateConnect();
    if (ctx_.host.Ended() || !fetchingSignature_) {
        return;  // no connection: already refused
    }
    ctx_.download.Start();
}

bool InfoFilePhase::SignatureValid() {
    std::string info;
    std::string signatureFile;
    if (!ctx_.files.ReadFile(ctx_.WorkFolder() + kInfoName, kMaxInfoFileBytes, info) ||
        !ctx_.files.ReadFile(ctx_.WorkFolder() + kSignatureName, kMaxInfoFileBytes,
                             signatureFile)) {
        return false;
    }
    const std::optional<std::string> signature = ParseSignatureFile(signatureFile);
    if (!signature || !ctx_.trust.VerifySignature(info, *signature)) {
        return false;
    }
    verifiedInfo_ = std::move(info);
    signedFiles_ = ReadFileDigests(verifiedInfo_);
    return true;
}

// Missing, cut or foreign: the file may come from anyone, so nothing it names is fetched. The
// same dead end as a failed marker check: only Exit is left.
void InfoFilePhase::SignatureRefused() {
    fetchingSignature_ = false;
    ctx_.view.TopLab.caption = "分析信息文件：";
    ctx_.SetEntry(0, "升级信息文件 [下载完毕]");
    ctx_.view.ListM.items.push_back("升级信息文件签名无效,已停止升级。");
    ctx_.host.ModelChanged();
    ctx_.messages.Show("升级信息文件签名无效！\r\n\r\n为保证安全，本次不会下载任何文件。",
                       updlib::MessageIcon::Error);
}

void InfoFilePhase::JudgeInfoFile() {
    fetchingSignature_ = false;
    if (!SignatureValid()) {
        SignatureRefused();
        return;
    }
    auto& view = ctx_.view;
    auto& tro = ctx_.tro;
    auto& items = view.ListM.items;
    view.TopLab.caption = "分析信息文件：";
    ctx_.SetEntry(0, "升级信息文件 [下载完毕]");
    items.push_back("正在分析升级信息文件 ...");
    items.push_back("正在校验升级信息文件 ...");

    // Only the bytes whose signature held are read: the file on disk may have changed since.
    const std::string marker = InfoText(verifiedInfo_, "InfoStr");
    if (marker != kMarker) {
        ctx_.host.ModelChanged();
        ctx_.messages.Show("升级信息文件校验失败！\r\n\r\n信息文件下载可能出错。",
                           updlib::MessageIcon::Error);
        return;
    }
    items.push_back("升级信息文件校验成功 ...");

    serverExeVer_ = InfoText(verifiedInfo_, "ExeVerM");
    serverDicVer_ = InfoText(verifiedInfo_, "ExeVerZ");
    if (updExe_) {
        items.push_back("服务器程序最新版本为 : " + ctx_.Shown(serverExeVer_));
    }
    if (updDic_) {
        items.push_back("服务器词条最新版本为 : " + ctx_.Shown(serverDicVer_));
    }

    // A version that is not a number is never newer.
    double offered = 0;
    exeUpdate_ = 0;
    if (ParseVersion(serverExeVer_, offered) && offered > tro.GetIniLong("ExeVerM")) {
        items.push_back("用户程序有最新版本。");
        exeUpdate_ = 1;
    } else {
        items.push_back("用户程序不需要更新。");
    }

    view.ProcM.visible = false;
    view.NextCmd.enabled = true;
    bool filesNext = false;
    if (ParseVersion(serverDicVer_, offered) && offered > tro.GetIniLong("ExeVerZ")) {
        items.push_back("用户词条有最新版本。");
        view.TipLab.caption = exeUpdate_ == 1 ? "您的词条和程序都需要更新,请继续 ..."
                                              : "服务器发现最新的词条,请继续 ...";
        filesNext = true;
    } else {
        items.push_back("用户词条不需要更新。");
        if (exeUpdate_ == 1) {
            view.TipLab.caption = "服务器有新版本的程序,请继续 ...";
            filesNext = true;
        } else {
            view.TipLab.caption = "程序为最新,不需要升级！";
            view.NextCmd.caption = "关 闭";
        }
    }
    if (filesNext) {
        ctx_.host.OfferFiles(
            VerifiedUpdate{serverUrl_, std::move(verifiedInfo_), std::move(signedFiles_)});
    }
    ctx_.host.ModelChanged();
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

}  // namespace qvx::updater
