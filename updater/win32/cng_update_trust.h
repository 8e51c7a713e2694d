#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "updater/update_trust_port.h"

namespace qvx::updater::win32 {

// The trust port on the platform's CNG: ECDSA P-256 over SHA-256 with the public point X||Y
// built into the program, and SHA-256 of files read in pieces.
class CngUpdateTrust : public UpdateTrust {
public:
    explicit CngUpdateTrust(std::string_view publicXY) : publicXY_(publicXY) {}
    bool VerifySignature(std::string_view message, std::string_view signature) override;
    std::optional<FileFingerprint> Fingerprint(const std::string& path) override;

private:
    std::string publicXY_;
};

}  // namespace qvx::updater::win32
