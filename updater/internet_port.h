#pragma once

#include <cstdint>
#include <string>

namespace qvx::updater {

// The few WinInet calls the download class makes, shaped like the real ones so the transfer
// logic stays above this line and runs against a scripted fake in tests. Handles are opaque
// non-zero numbers; 0 means failure, with the reason in LastError().
class InternetPort {
public:
    using Handle = std::uintptr_t;

    static constexpr std::uint32_t kOpenTypeDirect = 1;        // INTERNET_OPEN_TYPE_DIRECT
    static constexpr std::uint32_t kFlagReload = 0x80000000u;  // INTERNET_FLAG_RELOAD
    static constexpr std::uint32_t kQueryStatusCode = 19;      // HTTP_QUERY_STATUS_CODE
    static constexpr std::uint32_t kQueryRawHeaders = 21;      // HTTP_QUERY_RAW_HEADERS
    static constexpr std::uint32_t kErrorInsufficientBuffer = 122;
    static constexpr std::uint32_t kErrorHeaderNotFound = 12150;
    static constexpr std::uint32_t kErrorCannotConnect = 12029;

    virtual ~InternetPort() = default;

    // InternetOpenA(agent, accessType, no proxy, no bypass, flags 0).
    virtual Handle InternetOpen(const std::string& agent, std::uint32_t accessType) = 0;
    // InternetOpenUrlA(session, url, no extra headers, 0, flags, context 0). The URL is passed
    // in the system code page, byte for byte.
    virtual Handle InternetOpenUrl(Handle session, const std::string& url, std::uint32_t flags) = 0;
    // HttpQueryInfoA(request, infoLevel, buffer, length, index 0). On entry length is the buffer
    // size; on success it is the length of the text (without its final NUL), on
    // kErrorInsufficientBuffer it is the size needed.
    virtual bool HttpQueryInfo(Handle request, std::uint32_t infoLevel, char* buffer,
                               std::uint32_t& length) = 0;
    // InternetReadFile(request, buffer, toRead, read). TRUE with read = 0 is the end of the body.
    virtual bool InternetReadFile(Handle request, char* buffer, std::uint32_t toRead,
                                  std::uint32_t& read) = 0;
    virtual bool InternetCloseHandle(Handle handle) = 0;
    // GetLastError() right after a failed call above.
    virtual std::uint32_t LastError() = 0;
};

}  // namespace qvx::updater
