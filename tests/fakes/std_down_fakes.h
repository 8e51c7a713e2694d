#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "updater/file_port.h"
#include "updater/internet_port.h"
#include "updater/message_pump.h"

namespace qvx::updater::fakes {

// One scripted answer of the fake internet, chosen by URL.
struct FakeHttpResponse {
    bool refuse = false;  // InternetOpenUrl fails as for a refused port (12029)
    long status = 200;
    std::string headers;  // raw header block, see RawHeaders(); empty: the query fails
    std::string body;
    // Sizes the reads hand over in turn (each capped at what was asked); then full pieces.
    std::vector<std::uint32_t> pieces;
    // The read that would pass this many body bytes fails instead (connection reset).
    std::optional<std::size_t> failAt;
};

// WinInet as the download class sees it: handles numbered from 1 and never reused, every open
// and close recorded, reads served from the scripted body.
class FakeInternet : public InternetPort {
public:
    static constexpr std::uint32_t kErrorInvalidHandle = 6;
    static constexpr std::uint32_t kErrorConnectionReset = 12031;

    // Lines each ended by a NUL, then one more NUL, as HTTP_QUERY_RAW_HEADERS gives them.
    static std::string RawHeaders(std::initializer_list<std::string> lines);
    // A status line and the given header lines plus a Content-Length for `body`.
    static FakeHttpResponse Ok(std::string body, bool withLength = true);

    std::map<std::string, FakeHttpResponse> responses;  // by URL
    bool failOpen = false;                              // InternetOpen returns 0

    Handle InternetOpen(const std::string& agent, std::uint32_t accessType) override;
    Handle InternetOpenUrl(Handle session, const std::string& url, std::uint32_t flags) override;
    bool HttpQueryInfo(Handle request, std::uint32_t infoLevel, char* buffer,
                       std::uint32_t& length) override;
    bool InternetReadFile(Handle request, char* buffer, std::uint32_t toRead,
                          std::uint32_t& read) override;
    bool InternetCloseHandle(Handle handle) override;
    std::uint32_t LastError() override { return lastError_; }

    // Observations.
    std::vector<std::string> agents;
    std::vector<std::uint32_t> accessTypes;
    std::vector<std::string> urls;
    std::vector<std::uint32_t> urlFlags;
    int opened = 0;            // handles handed out
    int closed = 0;            // good closes
    int badCloses = 0;         // closes of a handle that is not open (twice, or never opened)
    int readsOnBadHandle = 0;  // reads on a closed or unknown handle
    int reads = 0;
    std::vector<std::uint32_t> headerQuerySizes;  // buffer sizes of the raw-header queries
    int OpenHandles() const { return static_cast<int>(open_.size()); }

private:
    struct Request {
        FakeHttpResponse response;
        std::size_t offset = 0;
        std::size_t piece = 0;
    };
    Handle Next();
    std::map<Handle, std::optional<Request>> open_;  // a session has no request
    Handle next_ = 0;
    std::uint32_t lastError_ = 0;
};

// Files in memory: path -> bytes, with switches for every failure.
class FakeFiles : public FilePort {
public:
    std::map<std::string, std::string> files;
    bool failCreate = false;
    std::optional<std::size_t> failWriteAt;  // a write that would pass this many bytes fails
    bool failClose = false;
    int writes = 0;
    std::vector<std::string> removed;

    bool Exists(const std::string& path) override { return files.count(path) != 0; }
    std::unique_ptr<OutputFile> CreateNew(const std::string& path) override;
    bool Remove(const std::string& path) override;
};

// Runs `onEvents` (a window message's handler, say) each time messages are processed.
class FakePump : public MessagePump {
public:
    int calls = 0;
    std::function<void(int call)> onEvents;
    void DoEvents() override {
        ++calls;
        if (onEvents) {
            onEvents(calls);
        }
    }
};

}  // namespace qvx::updater::fakes
