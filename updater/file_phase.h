#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "updater/update_file_name.h"
#include "updater/update_phase_context.h"
#include "updater/update_phase_step.h"

namespace qvx::updater {

// Phase 2: fetch every listed file into the work folder, check each against the signed
// information file, then install them all or none.
class FilePhase : public UpdatePhaseStep {
public:
    FilePhase(const UpdatePhaseContext& context, VerifiedUpdate update);

    void Start() override;
    void Progress(long value) override;
    void WriteOver() override { writeOver_ = true; }
    void DownloadOver() override;
    void LineError() override { FileFailed(" - [连接失败]"); }
    void WriteError() override { FileFailed(" - [保存失败]"); }
    void TransferError() override { FileFailed(" - [下载不完整]"); }

private:
    void RunTransfers();
    void StartFileTransfer();
    bool MatchesSignedFile(std::size_t k);
    void FileFailed(const std::string& reason);
    void InstallAndFinish();
    void Finish(bool success, bool clearWorkFolder = true);

    UpdatePhaseContext ctx_;
    VerifiedUpdate update_;
    std::int32_t fileCount_ = 0;
    std::int32_t currentFile_ = 0;
    // The file list as it stood when the phase began (names in the system code page).
    std::vector<std::string> fileNames_;
    std::vector<UpdateFileName> checkedNames_;
    // What each listed file must be, from the signed information file (nothing: not signed).
    std::vector<std::optional<FileFingerprint>> expected_;
    std::vector<bool> isInfoFile_;  // the listed file is the information file itself
    bool writeOver_ = false;        // the current transfer received its whole body
    bool oversize_ = false;         // the current transfer ran past its size and was stopped
    bool nextTransfer_ = false;     // the current file is in; start the next once it has unwound
    bool finished_ = false;
};

}  // namespace qvx::updater
