#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "updater/file_port.h"
#include "updater/internet_port.h"
#include "updater/main_f_ports.h"
#include "updater/main_f_view.h"
#include "updater/message_pump.h"
#include "updater/std_down.h"
#include "updater/update_file_name.h"
#include "updater/update_trust_port.h"
#include "updlib/message_box_port.h"
#include "updlib/module1.h"
#include "updlib/trovapi.h"

// Everything MainF works through; the referenced objects outlive the window object.
struct MainFPorts {
    updlib::TrovapiPorts trovapi;
    updlib::Module1Ports module1;
    InternetPort& internet;   // for DownFile
    FilePort& downloadFiles;  // for DownFile
    MessagePump& pump;        // for DownFile
    updlib::MessageBoxPort& messages;
    updlib::TextCodec& text;
    upd::ProcessLauncher& processes;
    upd::UpdateFiles& files;
    upd::MainFHost& host;
    upd::UpdateTrust& trust;
};

// The updater's only window: choosing a server (phase 0), fetching and judging the update
// information file (phase 1), fetching and installing the files (phase 2), finished (phase 3).
// The handlers are called by the Win32 window (or a test); they change the view model and
// call the ports.
// The phases of an update, in order; Phase() gives their numbers (0-3), as the window and the
// tests see them.
enum class UpdatePhase : std::int32_t {
    ServerChoice = 0,  // servers timed and listed; 下一步 starts the update
    InfoFile = 1,      // the update-information file and its signature are fetched and checked
    Files = 2,         // the listed files are fetched, then installed
    Finished = 3,      // done, well or not: the button ends the program
};

class MainF {
public:
    explicit MainF(const MainFPorts& ports);
    ~MainF();
    MainF(const MainF&) = delete;
    MainF& operator=(const MainF&) = delete;

    upd::MainFView& View() { return view_; }
    const upd::MainFView& View() const { return view_; }

    // Handlers.
    void Form_Load();
    void ListM_Click();
    // Sets the list's selected index as the program would, which runs ListM_Click.
    void SetListIndex(int index);
    void NextCmd_Click();
    void Exit_Click();

    // Progress bar: 0 clears it, any other value fills up to that percentage.
    void DrawProc(std::int32_t ProcValue);
    // Deletes every file in the work folder; failures are ignored.
    void DelTemp();

    // Read-only state, for the window and for tests.
    std::int32_t Phase() const { return static_cast<std::int32_t>(phase_); }
    bool Ended() const { return ended_; }
    CStdDown* DownFile() { return downFile_.get(); }
    trovapi& Tro() { return tro_; }

private:
    // Phase 1: the update information file.
    void StartInfoFilePhase();
    void InfoFileProgress(long value);
    void InfoFileFailed();
    void FetchSignature();
    bool SignatureValid();
    void SignatureRefused();
    void PhaseOneTransferFailed();
    void JudgeInfoFile();

    // Phase 2: the files.
    void StartFilePhase();
    void RunTransfers();
    void FileProgress(long value);
    void FileDownloaded();
    bool MatchesSignedFile(std::size_t k);
    void FileFailed(const std::string& reason);
    void StartFileTransfer();
    void InstallAndFinish();
    void FinishFilePhase(bool success, bool clearWorkFolder = true);

    // DownFile events.
    void OnDownFileProgress(long& value);
    void OnDownFileDownloadOver();
    void OnDownFileWriteOver();
    void OnDownFileLineError();
    void OnDownFileWriteError();
    void OnDownFileTransferError();

    void EndProgram();
    void Changed();
    std::string Shown(const std::string& ansi);  // system code page -> UTF-8
    std::string WorkFolder() const;              // program folder + "qvxUpgraded\"
    bool TransferSucceeded() const;
    void SetEntry(int index, const std::string& text);

    MainFPorts ports_;
    upd::MainFView view_;

    // Shared state of the window.
    trovapi tro_;
    std::unique_ptr<CStdDown> downFile_;
    std::int32_t updExe_ = 0;  // program updates allowed
    std::int32_t updDic_ = 0;  // entries updates allowed
    UpdatePhase phase_ = UpdatePhase::ServerChoice;
    std::int32_t serNum_ = 0;    // server count
    std::string serverAddress_;  // dotted address of the server being measured
    updlib::TimeRecord measureStart_;
    std::int32_t loopIndex_ = 0;
    std::string serverUrl_;
    std::string serverExeVer_;    // server program version
    std::string serverDicVer_;    // server entries version
    std::int32_t exeUpdate_ = 0;  // program-update flag
    std::int32_t fileCount_ = 0;
    std::int32_t currentFile_ = 0;

    // The file list as it stood when the file phase began (names in the system code page).
    std::vector<std::string> fileNames_;
    std::vector<UpdateFileName> checkedNames_;
    // What each listed file must be, from the signed information file (nothing: not signed).
    std::vector<std::optional<upd::FileFingerprint>> expected_;
    std::vector<bool> isInfoFile_;  // the listed file is the information file itself
    bool writeOver_ = false;        // the current transfer received its whole body
    bool fetchingSignature_ = false;
    bool oversize_ = false;      // the current transfer ran past its size and was stopped
    bool nextTransfer_ = false;  // the current file is in; start the next once it has unwound
    std::string verifiedInfo_;   // the bytes of the information file whose signature held
    std::map<std::string, upd::FileFingerprint> signedFiles_;
    bool ended_ = false;
};

// The percentage as the progress line shows it: shortest form, at most 15 significant digits.
std::string FormatPercent(double percent);
// A version text from the information file as a number; false when it is not one.
bool ParseVersion(const std::string& text, double& value);
