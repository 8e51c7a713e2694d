#include "server/access_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace qvx::server {

std::string EscapeForLog(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E || c == '"' || c == '\\') {
            char hex[5];
            std::snprintf(hex, sizeof(hex), "\\x%02X", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string CommonLogLine(const std::string& client, std::time_t when, std::string_view method,
                          std::string_view target, std::string_view version, unsigned status,
                          std::uint64_t bytes) {
    std::tm utc{};
    gmtime_r(&when, &utc);
    char time[40];
    std::strftime(time, sizeof(time), "%d/%b/%Y:%H:%M:%S +0000", &utc);
    // Appended piece by piece (GCC 12 warns falsely on chains of + with literals).
    std::string line = EscapeForLog(client.empty() ? "-" : client);
    line.append(" - - [").append(time).append("] \"");
    line.append(method.empty() ? "-" : EscapeForLog(method));
    line.append(" ").append(EscapeForLog(target)).append(" ");
    line.append(version.empty() ? "-" : EscapeForLog(version));
    line.append("\" ").append(status ? std::to_string(status) : "-");
    line.append(" ").append(std::to_string(bytes)).append("\n");
    return line;
}

std::unique_ptr<AccessLog> AccessLog::Open(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
    if (fd < 0) {
        return nullptr;
    }
    return std::unique_ptr<AccessLog>(new AccessLog(fd));
}

AccessLog::~AccessLog() {
    close(fd_);
}

void AccessLog::Write(const std::string& line) {
    // O_APPEND: lines from several threads never interleave within a line.
    [[maybe_unused]] const ssize_t written = write(fd_, line.data(), line.size());
}

}  // namespace qvx::server
