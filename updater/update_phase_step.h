#pragma once

namespace qvx::updater {

// One phase of the update that runs on the download object: begun by 下一步, then driven by the
// download object's events, which the window hands to the phase that is current.
class UpdatePhaseStep {
public:
    virtual ~UpdatePhaseStep() = default;

    virtual void Start() = 0;

    // Download object events, as CStdDown raises them.
    virtual void Progress(long value) = 0;  // bytes received so far
    virtual void WriteOver() = 0;           // the whole body is in the file
    virtual void DownloadOver() = 0;        // transfer ended, complete or cancelled
    virtual void LineError() = 0;           // no connection
    virtual void WriteError() = 0;          // the file could not be made or written
    virtual void TransferError() = 0;       // the body came in short or broken
};

}  // namespace qvx::updater
