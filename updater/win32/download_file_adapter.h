#pragma once

#include "updater/file_port.h"

namespace qvx::updater::win32 {

// FilePort on kernel32 files, ANSI paths.
class DownloadFileAdapter : public FilePort {
public:
    bool Exists(const std::string& path) override;
    std::unique_ptr<OutputFile> CreateNew(const std::string& path) override;
    bool Remove(const std::string& path) override;
};

}  // namespace qvx::updater::win32
