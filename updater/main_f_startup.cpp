// Start-up of the updater window: work folder, settings file, the server list and its timing.

#include "updater/file_install.h"
#include "updater/main_f.h"
#include "base/product_site.h"

namespace qvx::updater {

void MainF::Form_Load() {
    const std::string programFolder = tro_.AppPath;

    // Before anything else: an install cut short by a crash is undone, so the program folder
    // holds the old program whole.
    FileInstall install(ports_.files, ports_.text, programFolder, UpdateWorkFolder(programFolder));
    if (!install.RecoverInterrupted()) {
        ports_.messages.Show(
            "上次升级未能完成，原有文件无法全部恢复！\r\n\r\n请关闭正在运行的 Quorvex "
            "后重新运行升级程序。",
            updlib::MessageIcon::Error);
        EndProgram();
        return;
    }

    // 1. The work folder receives every download.
    if (!ports_.files.Found(programFolder + "qvxUpgraded")) {
        ports_.files.CreateFolders(programFolder + "qvxUpgraded");
    }

    // The updater's own program file, set aside by the last update while it was running, is
    // free now.
    ports_.files.RemoveFile(programFolder + "qvxUpgraded.exe.qvxold");
    ports_.files.RemoveFile(programFolder + "qvxUpgraded.exe.qvxdel");

    // 2. Above all other windows.
    tro_.FormUp(ports_.host.Handle());

    // 3. The one download object of the run.
    downFile_ = std::make_unique<CStdDown>(ports_.internet, ports_.downloadFiles, ports_.pump);
    downFile_->OnProgress = [this](long& value) { OnDownFileProgress(value); };
    downFile_->DownloadOver = [this] { OnDownFileDownloadOver(); };
    downFile_->WriteOver = [this] { OnDownFileWriteOver(); };
    downFile_->LineError = [this] { OnDownFileLineError(); };
    downFile_->WriteError = [this] { OnDownFileWriteError(); };
    downFile_->TransferError = [this] { OnDownFileTransferError(); };

    // 4. Without its settings file the updater cannot know what to do.
    const std::string settingsFile = programFolder + "qvxUpgraded.ini";
    if (!tro_.FileExists(settingsFile)) {
        ports_.messages.Show("本机升级信息文件不存在！\r\n\r\n请至官网重新下载本程序。",
                             updlib::MessageIcon::Error);
        ports_.processes.Launch(std::string("Explorer http://") + qvx::base::kProductWebsiteHost,
                                ShowState::MinimizedFocus);
        EndProgram();
        return;
    }

    // 5. What may be updated at all.
    tro_.IniPath = settingsFile;
    tro_.IniPro = "SetOpt";
    updExe_ = tro_.GetIniLong("updexe");
    updDic_ = tro_.GetIniLong("upddic");

    // 6. Nothing allowed: hand over to the settings of the main program, when it is there.
    if (updExe_ == 0 && updDic_ == 0) {
        ports_.messages.Show("没有任何允许更新的内容！\r\n\r\n请检查相关设定。",
                             updlib::MessageIcon::Information);
        if (tro_.FileExists(programFolder + "WQ.EXE")) {
            ports_.processes.Launch(programFolder + "WQ.EXE  -updopt", ShowState::MinimizedFocus);
        }
        EndProgram();
        return;
    }

    // 7, 8. The server list.
    tro_.IniPro = "Info";
    serNum_ = tro_.GetIniLong("SerNum");
    for (loopIndex_ = 1; loopIndex_ <= serNum_; ++loopIndex_) {
        const std::string name =
            tro_.GetIniStrEx(settingsFile, "Server", "Ser" + std::to_string(loopIndex_), 20);
        view_.ListM.items.push_back(name == "Error" ? "(无效服务器)" : Shown(name));
    }

    // 9, 10. The list stays disabled while the servers are timed, but is visible first.
    view_.ListM.enabled = !view_.ListM.enabled;
    Changed();
    ports_.host.ShowAndDoEvents();
    if (ended_) {
        return;
    }

    // 11. One echo per server, timed by the wall clock.
    const auto& m1 = ports_.module1;
    for (loopIndex_ = 1; loopIndex_ <= serNum_; ++loopIndex_) {
        const std::size_t entry = static_cast<std::size_t>(loopIndex_ - 1);
        const std::string host = tro_.TrimLeft(
            tro_.GetIniStrEx(settingsFile, "Server", "SerHost" + std::to_string(loopIndex_), 255));
        serverAddress_ = updlib::Module1::ResolveHost(m1, host);
        measureStart_ = updlib::Module1::LocalNow(m1);
        if (!serverAddress_.empty()) {
            updlib::Module1::PingHost(m1, serverAddress_);
            const std::int32_t elapsed =
                updlib::Module1::ElapsedMs(measureStart_, updlib::Module1::LocalNow(m1));
            view_.ListM.items[entry] += "  [" + std::to_string(elapsed) + "毫秒]";
            SetListIndex(loopIndex_ - 1);
        } else if (view_.ListM.items[entry] != "(无效服务器)") {
            view_.ListM.items[entry] += "(无效服务器)";
        }
        Changed();
    }

    // 12.
    view_.ListM.enabled = !view_.ListM.enabled;
    view_.TipLab.caption = "服务器列表更新完毕,请继续 ...";
    Changed();
}

}  // namespace qvx::updater
