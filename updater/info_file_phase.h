#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "updater/update_phase_context.h"
#include "updater/update_phase_step.h"

namespace qvx::updater {

// Phase 1: fetch the chosen server's update information file and its signature, verify the
// signature, then judge the versions it offers. Something newer is handed over to the file
// phase; otherwise the window offers to close.
class InfoFilePhase : public UpdatePhaseStep {
public:
    // `updExe` and `updDic`: program and entries updates allowed (from the settings file).
    InfoFilePhase(const UpdatePhaseContext& context, bool updExe, bool updDic);

    void Start() override;
    void Progress(long value) override;
    void WriteOver() override { writeOver_ = true; }
    void DownloadOver() override;
    void LineError() override { TransferFailed(); }
    void WriteError() override;
    void TransferError() override { TransferFailed(); }

private:
    void InfoFileFailed();
    void FetchSignature();
    bool SignatureValid();
    void SignatureRefused();
    void TransferFailed();
    void JudgeInfoFile();

    UpdatePhaseContext ctx_;
    bool updExe_;
    bool updDic_;
    std::string serverUrl_;
    std::string serverExeVer_;    // server program version
    std::string serverDicVer_;    // server entries version
    std::int32_t exeUpdate_ = 0;  // program-update flag
    bool writeOver_ = false;      // the current transfer received its whole body
    bool fetchingSignature_ = false;
    std::string verifiedInfo_;  // the bytes of the information file whose signature held
    std::map<std::string, FileFingerprint> signedFiles_;
};

// The percentage as the progress line shows it: shortest form, at most 15 significant digits.
std::string FormatPercent(double percent);
// A version text from the information file as a number; false when it is not one.
bool ParseVersion(const std::string& text, double& value);

}  // namespace qvx::updater
