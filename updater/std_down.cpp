#include "updater/std_down.h"

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
#include <string_view>

namespace qvx::updater {
namespace {

constexpr std::uint32_t kChunk = 1024;
constexpr std::uint32_t kHeaderBuffer = 1024;
constexpr char kAgent[] = "Ostrel";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// A decimal byte count as servers send it; nothing when the text is not one.
std::optional<std::int64_t> ParseLength(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

long ClampToLong(std::int64_t value) {
    return value > LONG_MAX ? LONG_MAX : static_cast<long>(value);
}

}  // namespace

CStdDown::CStdDown(InternetPort& internet, FilePort& files, MessagePump& pump)
    : internet_(internet), files_(files), pump_(pump) {}

CStdDown::~CStdDown() {
    CloseConnection();
}

void CStdDown::CreateConnect() {
    // A connection still open here belongs to a transfer whose DownloadOver handler starts the
    // next one: close it now so that none of its handles is lost or closed twice.
    CloseConnection();
    ++connection_;
    headerBlock_.clear();
    statusCode_ = 0;
    connected_ = true;

    session_ = internet_.InternetOpen(kAgent, InternetPort::kOpenTypeDirect);
    if (session_ == 0) {
        Cancel();
        Raise(LineError);
        return;
    }
    // Always from the server: an update must never come out of the cache.
    request_ = internet_.InternetOpenUrl(session_, URL, InternetPort::kFlagReload);
    if (request_ == 0) {
        Cancel();
        Raise(LineError);
        return;
    }
    ReadStatusCode();
    ReadHeaderBlock();
}

void CStdDown::ReadStatusCode() {
    std::array<char, 32> text{};
    std::uint32_t length = static_cast<std::uint32_t>(text.size() - 1);
    if (!internet_.HttpQueryInfo(request_, InternetPort::kQueryStatusCode, text.data(), length)) {
        return;
    }
    const auto code = ParseLength(std::string_view(text.data(), std::min<std::size_t>(length, 31)));
    statusCode_ = code && *code < 1000 ? static_cast<long>(*code) : 0;
}

void CStdDown::ReadHeaderBlock() {
    // Servers may send more than 1 KiB of headers; ask again with the size the platform needs.
    std::string buffer(kHeaderBuffer, ' ');
    for (int attempt = 0; attempt < 4; ++attempt) {
        auto length = static_cast<std::uint32_t>(buffer.size());
        if (internet_.HttpQueryInfo(request_, InternetPort::kQueryRawHeaders, buffer.data(),
                                    length)) {
            headerBlock_.assign(buffer.data(), std::min<std::size_t>(length, buffer.size()));
            return;
        }
        if (internet_.LastError() != InternetPort::kErrorInsufficientBuffer ||
            length <= buffer.size() || length > (1u << 24)) {
            return;
        }
        buffer.assign(length, ' ');
    }
}

void CStdDown::Cancel() {
    connected_ = false;
    CloseConnection();
}

void CStdDown::CloseConnection() {
    // The fields are cleared before the calls, so a handle is closed once whatever runs next.
    const InternetPort::Handle request = request_;
    const InternetPort::Handle session = session_;
    request_ = 0;
    session_ = 0;
    // The address handle first: closing its parent first would leave it dangling.
    if (request != 0) {
        internet_.InternetCloseHandle(request);
    }
    if (session != 0) {
        internet_.InternetCloseHandle(session);
    }
}

bool CStdDown::OwnsLiveConnection(std::uint64_t connection) const {
    return connected_ && connection_ == connection;
}

void CStdDown::CloseIfStillOwn(std::uint64_t connection) {
    // A handler may have opened a newer connection on this object; that one is not ours to end.
    if (connection_ == connection) {
        Cancel();
    }
}

void CStdDown::Raise(const std::function<void()>& event) {
    // A copy, so a handler may replace itself while it runs.
    const std::function<void()> handler = event;
    if (handler) {
        handler();
    }
}

void CStdDown::RaiseProgress(long value) {
    const std::function<void(long&)> handler = OnProgress;
    if (handler) {
        handler(value);  // a handler changing Value does not change the count
    }
}

void CStdDown::Start() {
    if (!connected_) {
        Cancel();
        return;
    }
    const std::uint64_t connection = connection_;
    if (transferring_ == connection) {
        return;  // a handler inside this transfer: a second reader would split the body
    }
    const std::uint64_t outer = transferring_;
    transferring_ = connection;
    struct Restore {
        std::uint64_t& field;
        std::uint64_t value;
        ~Restore() { field = value; }
    } restore{transferring_, outer};

    const InternetPort::Handle request = request_;
    const std::string path = SaveFile;

    if (files_.Exists(path)) {
        Raise(WriteError);
        CloseIfStillOwn(connection);
        return;
    }
    std::unique_ptr<OutputFile> file = files_.CreateNew(path);
    if (!file) {
        CloseIfStillOwn(connection);
        Raise(WriteError);
        return;
    }

    // With a declared length a short read that reaches it is the end; without one, only an
    // empty read is, because the platform may hand over less than a full piece mid-body.
    const std::optional<std::string> lengthText = FindHeader("Content-Length", 16);
    const std::optional<std::int64_t> declared =
        lengthText ? ParseLength(*lengthText) : std::nullopt;

    enum class End { kComplete, kCancelled, kWriteFailed, kBroken };
    End end = End::kComplete;
    std::array<char, kChunk> buffer;
    std::int64_t total = 0;
    for (;;) {
        if (!OwnsLiveConnection(connection)) {
            end = End::kCancelled;
            break;
        }
        std::uint32_t n = 0;
        const bool read = internet_.InternetReadFile(request, buffer.data(), kChunk, n);
        pump_.DoEvents();
        if (!OwnsLiveConnection(connection)) {
            end = End::kCancelled;  // this piece is dropped
            break;
        }
        if (!read || n > kChunk) {
            end = End::kBroken;
            break;
        }
        if (n > 0 && !file->Write(buffer.data(), n)) {
            end = End::kWriteFailed;
            break;
        }
        total += n;
        RaiseProgress(ClampToLong(total));
        pump_.DoEvents();
        const bool reachedDeclared = declared && total >= *declared;
        if (n == 0 || (n < kChunk && reachedDeclared)) {
            end = (declared && !reachedDeclared) ? End::kBroken : End::kComplete;
            break;
        }
    }

    switch (end) {
        case End::kComplete:
            if (!file->Close()) {
                file.reset();
                files_.Remove(path);
                CloseIfStillOwn(connection);
                Raise(WriteError);
                return;
            }
            Raise(WriteOver);
            Raise(DownloadOver);  // still connected here: the header properties answer
            CloseIfStillOwn(connection);
            return;
        case End::kCancelled:
            file->Close();  // keeps what was written so far
            Raise(DownloadOver);
            CloseIfStillOwn(connection);
            return;
        case End::kWriteFailed:
            file.reset();
            files_.Remove(path);
            CloseIfStillOwn(connection);
            Raise(WriteError);
            return;
        case End::kBroken:
            // A truncated file must never be taken for the update.
            file.reset();
            files_.Remove(path);
            CloseIfStillOwn(connection);
            Raise(TransferError);
            return;
    }
}

std::string CStdDown::HeaderValue(const char* name, std::size_t skip) {
    if (!connected_) {
        Cancel();
        return "0";
    }
    if (headerBlock_.empty()) {
        return "0";
    }
    return FindHeader(name, skip).value_or(std::string());
}

std::optional<std::string> CStdDown::FindHeader(const char* name, std::size_t skip) const {
    // The name must open a header line; HTTP header names are case-insensitive.
    const std::string_view wanted(name);
    const std::string_view block(headerBlock_);
    std::size_t lineStart = 0;
    while (lineStart < block.size()) {
        std::size_t lineEnd = block.find('\0', lineStart);
        if (lineEnd == std::string_view::npos) {
            lineEnd = block.size();
        }
        const std::string_view line = block.substr(lineStart, lineEnd - lineStart);
        if (line.size() > wanted.size() && line[wanted.size()] == ':' &&
            EqualsNoCase(line.substr(0, wanted.size()), wanted)) {
            std::size_t start = skip;  // the name, its colon and one blank
            if (line.compare(wanted.size(), 2, ": ") != 0) {
                start = wanted.size() + 1;  // no blank after the colon
            }
            return std::string(line.substr(std::min(start, line.size())));
        }
        lineStart = lineEnd + 1;
    }
    return std::nullopt;
}

std::string CStdDown::FileLength() {
    return HeaderValue("Content-Length", 16);
}
std::string CStdDown::FileType() {
    return HeaderValue("Content-Type", 14);
}
std::string CStdDown::FileDate() {
    return HeaderValue("Date", 6);
}
std::string CStdDown::FileLastModified() {
    return HeaderValue("Last-Modified", 15);
}
std::string CStdDown::ServerInfo() {
    return HeaderValue("Server", 8);
}

}  // namespace qvx::updater
