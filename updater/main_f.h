#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "updater/file_phase.h"
#include "updater/file_port.h"
#include "updater/info_file_phase.h"
#include "updater/internet_port.h"
#include "updater/main_f_ports.h"
#include "updater/main_f_view.h"
#include "updater/message_pump.h"
#include "updater/std_down.h"
#include "updater/update_phase_context.h"
#include "updater/update_trust_port.h"
#include "updlib/message_box_port.h"
#include "updlib/module1.h"
#include "updlib/trovapi.h"

namespace qvx::updater {

// Everything MainF works through; the referenced objects outlive the window object.
struct MainFPorts {
    updlib::TrovapiPorts trovapi;
    updlib::Module1Ports module1;
    InternetPort& internet;   // for DownFile
    FilePort& downloadFiles;  // for DownFile
    MessagePump& pump;        // for DownFile
    updlib::MessageBoxPort& messages;
    updlib::TextCodec& text;
    ProcessLauncher& processes;
    UpdateFiles& files;
    MainFHost& host;
    UpdateTrust& trust;
};

// The updater's only window: choosing a server (phase 0), fetching and judging the update
// information file (phase 1), fetching and installing the files (phase 2), finished (phase 3).
// The handlers are called by the Win32 window (or a test); they change the view model and
// call the ports. Phases 1 and 2 are objects of their own, given the download object's events
// while they are current.
class MainF : private UpdatePhaseHost {
public:
    explicit MainF(const MainFPorts& ports);
    ~MainF() override;
    MainF(const MainF&) = delete;
    MainF& operator=(const MainF&) = delete;

    MainFView& View() { return view_; }
    const MainFView& View() const { return view_; }

    // Handlers.
    void Form_Load();
    void ListM_Click();
    // Sets the list's selected index as the program would, which runs ListM_Click.
    void SetListIndex(int index);
    void NextCmd_Click();
    void Exit_Click();

    // Progress bar: 0 clears it, any other value fills up to that percentage.
    void DrawProc(std::int32_t ProcValue) override;
    // Deletes every file in the work folder; failures are ignored.
    void DelTemp();

    // Read-only state, for the window and for tests.
    std::int32_t Phase() const { return static_cast<std::int32_t>(phase_); }
    bool Ended() const override { return ended_; }
    CStdDown* DownFile() { return downFile_.get(); }
    updlib::trovapi& Tro() { return tro_; }

private:
    // What the phases ask of the window.
    void ModelChanged() override { Changed(); }
    void EndProgram() override;
    void EnterPhase(UpdatePhase phase) override { phase_ = phase; }
    void OfferFiles(VerifiedUpdate update) override;

    UpdatePhaseContext PhaseContext();
    // The phase the download object's events belong to; none outside phases 1 and 2.
    UpdatePhaseStep* CurrentStep();

    // DownFile events, handed to the current phase.
    void OnDownFileProgress(long& value);
    void OnDownFileDownloadOver();
    void OnDownFileWriteOver();
    void OnDownFileLineError();
    void OnDownFileWriteError();
    void OnDownFileTransferError();

    void Changed();
    std::string Shown(const std::string& ansi);  // system code page -> UTF-8

    MainFPorts ports_;
    MainFView view_;

    // Shared state of the window.
    updlib::trovapi tro_;
    std::unique_ptr<CStdDown> downFile_;
    std::int32_t updExe_ = 0;  // program updates allowed
    std::int32_t updDic_ = 0;  // entries updates allowed
    UpdatePhase phase_ = UpdatePhase::ServerChoice;
    std::int32_t serNum_ = 0;    // server count
    std::string serverAddress_;  // dotted address of the server being measured
    updlib::TimeRecord measureStart_;
    std::int32_t loopIndex_ = 0;
    std::unique_ptr<InfoFilePhase> infoPhase_;  // made at the first 下一步
    std::unique_ptr<FilePhase> filePhase_;      // made when the information file offers files
    bool ended_ = false;
};

}  // namespace qvx::updater
