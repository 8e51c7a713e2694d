#pragma once

#include "updater/internet_port.h"

namespace qvx::updater::win32 {

// InternetPort on wininet.dll, the ANSI entry points, call for call.
class WinInetAdapter : public InternetPort {
public:
    Handle InternetOpen(const std::string& agent, std::uint32_t accessType) override;
    Handle InternetOpenUrl(Handle session, const std::string& url, std::uint32_t flags) override;
    bool HttpQueryInfo(Handle request, std::uint32_t infoLevel, char* buffer,
                       std::uint32_t& length) override;
    bool InternetReadFile(Handle request, char* buffer, std::uint32_t toRead,
                          std::uint32_t& read) override;
    bool InternetCloseHandle(Handle handle) override;
    std::uint32_t LastError() override;
};

}  // namespace qvx::updater::win32
