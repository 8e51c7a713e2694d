#include "tests/fakes/std_down_fakes.h"

#include <algorithm>
#include <cstring>

namespace qvx::updater::fakes {

std::string FakeInternet::RawHeaders(std::initializer_list<std::string> lines) {
    std::string block;
    for (const std::string& line : lines) {
        block += line;
        block += '\0';
    }
    block += '\0';
    return block;
}

FakeHttpResponse FakeInternet::Ok(std::string body, bool withLength) {
    FakeHttpResponse response;
    if (withLength) {
        response.headers = RawHeaders({"HTTP/1.1 200 OK", "Server: fake/1.0",
                                       "Content-Length: " + std::to_string(body.size())});
    } else {
        response.headers = RawHeaders({"HTTP/1.1 200 OK", "Server: fake/1.0"});
    }
    response.body = std::move(body);
    return response;
}

InternetPort::Handle FakeInternet::Next() {
    ++opened;
    return ++next_;
}

InternetPort::Handle FakeInternet::InternetOpen(const std::string& agent,
                                                std::uint32_t accessType) {
    agents.push_back(agent);
    accessTypes.push_back(accessType);
    if (failOpen) {
        lastError_ = 12001;
        return 0;
    }
    const Handle handle = Next();
    open_[handle] = std::nullopt;
    return handle;
}

InternetPort::Handle FakeInternet::InternetOpenUrl(Handle session, const std::string& url,
                                                   std::uint32_t flags) {
    urls.push_back(url);
    urlFlags.push_back(flags);
    auto s = open_.find(session);
    if (s == open_.end() || s->second) {
        lastError_ = kErrorInvalidHandle;
        return 0;
    }
    auto r = responses.find(url);
    if (r == responses.end() || r->second.refuse) {
        lastError_ = kErrorCannotConnect;
        return 0;
    }
    const Handle handle = Next();
    open_[handle] = Request{r->second};
    return handle;
}

bool FakeInternet::HttpQueryInfo(Handle request, std::uint32_t infoLevel, char* buffer,
                                 std::uint32_t& length) {
    auto r = open_.find(request);
    if (r == open_.end() || !r->second) {
        lastError_ = kErrorInvalidHandle;
        return false;
    }
    std::string text;
    if (infoLevel == kQueryRawHeaders) {
        headerQuerySizes.push_back(length);
        if (r->second->response.headers.empty()) {
            lastError_ = kErrorHeaderNotFound;
            return false;
        }
        // The block's own final NUL stands for the terminator: the length excludes it.
        text = r->second->response.headers;
        text.pop_back();
    } else if (infoLevel == kQueryStatusCode) {
        text = std::to_string(r->second->response.status);
    } else {
        lastError_ = kErrorHeaderNotFound;
        return false;
    }
    if (length < text.size() + 1) {
        length = static_cast<std::uint32_t>(text.size() + 1);
        lastError_ = kErrorInsufficientBuffer;
        return false;
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    length = static_cast<std::uint32_t>(text.size());
    return true;
}

bool FakeInternet::InternetReadFile(Handle request, char* buffer, std::uint32_t toRead,
                                    std::uint32_t& read) {
    ++reads;
    read = 0;
    auto r = open_.find(request);
    if (r == open_.end() || !r->second) {
        ++readsOnBadHandle;
        lastError_ = kErrorInvalidHandle;
        return false;
    }
    Request& state = *r->second;
    std::size_t n = std::min<std::size_t>(toRead, state.response.body.size() - state.offset);
    if (state.piece < state.response.pieces.size()) {
        n = std::min<std::size_t>(n, state.response.pieces[state.piece++]);
    }
    if (state.response.failAt && n > 0 && state.offset + n > *state.response.failAt) {
        lastError_ = kErrorConnectionReset;
        return false;
    }
    if (state.response.failAt && n == 0 && state.offset >= *state.response.failAt) {
        lastError_ = kErrorConnectionReset;
        return false;
    }
    std::memcpy(buffer, state.response.body.data() + state.offset, n);
    state.offset += n;
    read = static_cast<std::uint32_t>(n);
    return true;
}

bool FakeInternet::InternetCloseHandle(Handle handle) {
    auto it = open_.find(handle);
    if (it == open_.end()) {
        ++badCloses;
        lastError_ = kErrorInvalidHandle;
        return false;
    }
    open_.erase(it);
    ++closed;
    return true;
}

namespace {

class FakeOutputFile : public OutputFile {
public:
    FakeOutputFile(FakeFiles& owner, std::string path) : owner_(owner), path_(std::move(path)) {}
    bool Write(const char* data, std::size_t size) override {
        ++owner_.writes;
        std::string& content = owner_.files[path_];
        if (closed_ || (owner_.failWriteAt && content.size() + size > *owner_.failWriteAt)) {
            return false;
        }
        content.append(data, size);
        return true;
    }
    bool Close() override {
        closed_ = true;
        return !owner_.failClose;
    }

private:
    FakeFiles& owner_;
    std::string path_;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<OutputFile> FakeFiles::CreateNew(const std::string& path) {
    if (failCreate || files.count(path) != 0) {
        return nullptr;
    }
    files[path] = std::string();
    return std::make_unique<FakeOutputFile>(*this, path);
}

bool FakeFiles::Remove(const std::string& path) {
    removed.push_back(path);
    return files.erase(path) != 0;
}

}  // namespace qvx::updater::fakes
