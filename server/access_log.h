#pragma once
// The access log: one line per request in the common log format, appended to a file.

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

namespace qvx::server {

// The text as it may stand inside a log line's quotes: '"', '\' and every byte outside
// printable ASCII written as \xHH, so a client cannot end the field or the line, nor send
// terminal controls to whoever reads the log.
std::string EscapeForLog(std::string_view text);

// `client - - [10/Dec/2026:14:58:22 +0000] "METHOD target VERSION" status bytes`; an empty
// method or version, or status 0 (no reply given), is written as "-".
std::string CommonLogLine(const std::string& client, std::time_t when, std::string_view method,
                          std::string_view target, std::string_view version, unsigned status,
                          std::uint64_t bytes);

class AccessLog {
public:
    // Opens path for appending (created when missing); nullptr when it cannot.
    static std::unique_ptr<AccessLog> Open(const std::string& path);
    ~AccessLog();
    AccessLog(const AccessLog&) = delete;
    AccessLog& operator=(const AccessLog&) = delete;

    // From any thread: each line goes out in one append.
    void Write(const std::string& line);

private:
    explicit AccessLog(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace qvx::server
