#include "tests/fakes/updlib_fakes.h"

#include <algorithm>
#include <cstring>

namespace qvx::updlib::fakes {
namespace {

class FakeReader : public ReadOnlyFile {
public:
    FakeReader(std::string bytes, int& openReaders) : bytes_(std::move(bytes)), open_(openReaders) {
        ++open_;
    }
    ~FakeReader() override { --open_; }
    std::uint64_t Size() override { return bytes_.size(); }
    bool Read(std::uint8_t* dest, std::size_t count) override {
        if (position_ + count > bytes_.size()) {
            return false;
        }
        std::memcpy(dest, bytes_.data() + position_, count);
        position_ += count;
        return true;
    }

private:
    std::string bytes_;
    std::size_t position_ = 0;
    int& open_;
};

std::string ParentOf(const std::string& key) {
    const std::size_t p = key.rfind('\\');
    if (p == std::string::npos) {
        return std::string();
    }
    // The parent of "c:\a" is the drive root "c:\".
    return p == 2 && key[1] == ':' ? key.substr(0, 3) : key.substr(0, p);
}

std::optional<std::vector<std::uint8_t>> DottedLiteral(const std::string& name) {
    std::vector<std::uint8_t> bytes;
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t end = i < 3 ? name.find('.', start) : name.size();
        if (end == std::string::npos || end == start || end - start > 3) {
            return std::nullopt;
        }
        int value = 0;
        for (std::size_t k = start; k < end; ++k) {
            if (name[k] < '0' || name[k] > '9') {
                return std::nullopt;
            }
            value = value * 10 + (name[k] - '0');
        }
        if (value > 255) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
        start = end + 1;
    }
    return bytes;
}

}  // namespace

std::string FakeFileSystem::Key(const std::string& path) {
    std::string key = path;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        } else if (c == '/') {
            c = '\\';
        }
    }
    while (key.size() > 3 && key.back() == '\\') {
        key.pop_back();
    }
    return key;
}

void FakeFileSystem::AddFolder(const std::string& path, std::uint32_t attributes) {
    const std::string key = Key(path);
    const std::string parent = ParentOf(key);
    if (!parent.empty() && parent != key && nodes_.count(parent) == 0) {
        AddFolder(parent);
    }
    nodes_[key] = Node{true, attributes, {}};
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& bytes,
                             std::uint32_t attributes) {
    const std::string key = Key(path);
    const std::string parent = ParentOf(key);
    if (!parent.empty() && nodes_.count(parent) == 0) {
        AddFolder(parent);
    }
    nodes_[key] = Node{false, attributes, bytes};
}

bool FakeFileSystem::Exists(const std::string& path) const {
    return nodes_.count(Key(path)) != 0;
}

bool FakeFileSystem::PathExists(const std::string& path) {
    return Exists(path);
}

std::optional<std::uint32_t> FakeFileSystem::FileAttributes(const std::string& path) {
    const auto found = nodes_.find(Key(path));
    if (found == nodes_.end()) {
        return std::nullopt;
    }
    return found->second.attributes;
}

std::uint32_t FakeFileSystem::Answer(const std::string& text, char* buffer, std::uint32_t size) {
    bufferSizesAsked.push_back(size);
    if (text.size() + 1 > size) {
        return static_cast<std::uint32_t>(text.size() + 1);
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return static_cast<std::uint32_t>(text.size());
}

std::uint32_t FakeFileSystem::ShortPathName(const std::string& path, char* buffer,
                                            std::uint32_t size) {
    if (!Exists(path)) {
        return 0;
    }
    const auto found = shortNames_.find(Key(path));
    return Answer(found == shortNames_.end() ? path : found->second, buffer, size);
}

bool FakeFileSystem::CreateFolder(const std::string& path) {
    createdFolderCalls.push_back(path);
    const std::string key = Key(path);
    if (key.empty() || nodes_.count(key) != 0) {
        return false;
    }
    const std::string parent = ParentOf(key);
    if (parent.empty() || nodes_.count(parent) == 0 || !nodes_[parent].folder) {
        return false;
    }
    nodes_[key] = Node{true, 16, {}};
    return true;
}

std::unique_ptr<ReadOnlyFile> FakeFileSystem::OpenRead(const std::string& path) {
    ++opensAsked;
    const auto found = nodes_.find(Key(path));
    if (found == nodes_.end() || found->second.folder) {
        return nullptr;
    }
    return std::make_unique<FakeReader>(found->second.bytes, openReaders);
}

std::uint32_t FakeFileSystem::WindowsDirectory(char* buffer, std::uint32_t size) {
    return Answer(windowsDirectory, buffer, size);
}

std::uint32_t FakeFileSystem::SystemDirectory(char* buffer, std::uint32_t size) {
    return Answer(systemDirectory, buffer, size);
}

std::uint32_t FakeFileSystem::TempPath(char* buffer, std::uint32_t size) {
    return Answer(tempPath, buffer, size);
}

std::optional<std::string> FakeFileSystem::SpecialFolderPath(std::int32_t csidl) {
    const auto found = specialFolders.find(csidl);
    return found == specialFolders.end() ? std::nullopt : std::optional(found->second);
}

std::optional<std::string> FakeFileSystem::EnvironmentVariable(const std::string& name) {
    const auto found = environment.find(name);
    return found == environment.end() ? std::nullopt : std::optional(found->second);
}

CreatedTimer FakeWaitPort::CreateTimer(const std::string& name) {
    if (failCreate) {
        return CreatedTimer{};
    }
    createdNames.push_back(name);
    bool existed = false;
    if (!name.empty()) {
        existed = foreignNames.count(name) != 0;
        for (const auto& [handle, openName] : namesOfOpen) {
            existed = existed || openName == name;
        }
    }
    const TimerHandle timer = next_++;
    open.insert(timer);
    namesOfOpen[timer] = name;
    return CreatedTimer{timer, existed};
}

bool FakeWaitPort::SetTimer(TimerHandle timer, std::int64_t dueTime) {
    dueTimes.push_back(dueTime);
    dueTimeOf[timer] = dueTime;
    return !failSet;
}

WaitOutcome FakeWaitPort::WaitForTimerOrInput(TimerHandle timer) {
    waitedOn.push_back(timer);
    if (outcomes.empty()) {
        return WaitOutcome::Timer;
    }
    const WaitOutcome outcome = outcomes.front();
    outcomes.pop_front();
    return outcome;
}

void FakeWaitPort::PumpMessages() {
    ++pumps;
    if (onPump) {
        const std::function<void()> handler = onPump;
        handler();
    }
}

void FakeWaitPort::CloseTimer(TimerHandle timer) {
    closed.push_back(timer);
    open.erase(timer);
    namesOfOpen.erase(timer);
}

WindowHandle FakeWindowSystem::FindWindowByTitle(const std::string& title) {
    for (const auto& [handle, window] : windows) {
        if (window.parent == 0 && window.title == title) {
            return handle;
        }
    }
    return 0;
}

WindowHandle FakeWindowSystem::FindChildByClass(WindowHandle parent, const std::string& className) {
    for (const auto& [handle, window] : windows) {
        if (window.parent == parent && window.className == className) {
            return handle;
        }
    }
    return 0;
}

bool FakeWindowSystem::PostWindowMessage(WindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t lParam) {
    if (windows.count(window) == 0) {
        return false;
    }
    posted.push_back({window, message, wParam, lParam});
    return true;
}

std::intptr_t FakeWindowSystem::SendWindowMessage(WindowHandle window, std::uint32_t message,
                                                  std::uintptr_t wParam, std::intptr_t lParam) {
    sent.push_back({window, message, wParam, lParam});
    return 0;
}

bool FakeWindowSystem::SetWindowPos(WindowHandle window, WindowHandle insertAfter,
                                    std::uint32_t flags) {
    placements.push_back({window, insertAfter, flags});
    return windows.count(window) != 0;
}

CursorHandle FakeWindowSystem::LoadCursorFile(const std::string& path) {
    const auto found = cursorFiles.find(path);
    return found == cursorFiles.end() ? 0 : found->second;
}

void FakeWindowSystem::SetClassCursor(WindowHandle window, CursorHandle cursor) {
    classCursors.emplace_back(window, cursor);
}

void FakeShell::Execute(WindowHandle owner, const std::string& file, std::int32_t show) {
    executed.push_back({owner, file, show});
}

void FakeShell::ShowProperties(WindowHandle owner, const std::string& file, std::uint32_t mask,
                               std::int32_t show) {
    properties.push_back({owner, file, show});
    propertiesMasks.push_back(mask);
}

void FakeShell::EmptyRecycleBin(WindowHandle, const std::string& root, std::uint32_t flags) {
    recycleBinEmptied.emplace_back(root, flags);
}

std::optional<std::string> FakeShell::BrowseForFolder(WindowHandle, const std::string& prompt,
                                                      std::int32_t rootCsidl, std::uint32_t flags) {
    lastFolderPrompt = prompt;
    lastFolderRoot = rootCsidl;
    lastFolderFlags = flags;
    return folderChoice;
}

std::optional<std::string> FakeShell::BrowseForComputer(WindowHandle, const std::string& caption,
                                                        const std::string& prompt) {
    lastComputerCaption = caption;
    lastComputerPrompt = prompt;
    return computerChoice;
}

bool FakeShell::FileDialog(FileDialogKind kind, const FileDialogRequest& request,
                           std::string& fileBuffer) {
    fileRequests.emplace_back(kind, request);
    if (!fileChoice || fileChoice->size() >= request.fileBufferChars) {
        return false;
    }
    fileBuffer = *fileChoice;
    fileBuffer.resize(request.fileBufferChars, '\0');
    return true;
}

std::int32_t FakeShell::ConnectionDialog(WindowHandle, std::uint32_t type) {
    connectionDialogs.emplace_back("connect", type);
    return connectionResult;
}

std::int32_t FakeShell::DisconnectDialog(WindowHandle, std::uint32_t type) {
    connectionDialogs.emplace_back("disconnect", type);
    return connectionResult;
}

std::u16string FakeTextCodec::AnsiToWide(const std::string& ansi) {
    std::u16string wide;
    for (std::size_t i = 0; i < ansi.size(); ++i) {
        const auto b = static_cast<unsigned char>(ansi[i]);
        if (b < 0x80) {
            wide += static_cast<char16_t>(b);
        } else if (b >= 0x81 && b <= 0xFE && i + 1 < ansi.size()) {
            const auto trail = static_cast<unsigned char>(ansi[++i]);
            wide += static_cast<char16_t>(0x4E00 + (b - 0x81) * 256 + trail);
        } else {
            wide += static_cast<char16_t>(0xF700 + b);
        }
    }
    return wide;
}

std::string FakeTextCodec::WideToAnsi(const std::u16string& wide) {
    std::string ansi;
    for (const char16_t c : wide) {
        if (c < 0x80) {
            ansi += static_cast<char>(c);
        } else if (c >= 0xF700 && c <= 0xF7FF) {
            ansi += static_cast<char>(c - 0xF700);
        } else {
            const unsigned code = c - 0x4E00u;
            ansi += static_cast<char>(0x81 + code / 256);
            ansi += static_cast<char>(code % 256);
        }
    }
    return ansi;
}

SocketsStartup FakeSockets::Startup(std::uint16_t version) {
    ++startups;
    requestedVersion = version;
    if (startup.error == 0) {
        ++startedOk;
        ++depth;
        maxDepth = std::max(maxDepth, depth);
    }
    return startup;
}

std::int32_t FakeSockets::Cleanup() {
    ++cleanups;
    if (depth == 0) {
        return -1;  // not started: the platform refuses
    }
    --depth;
    return cleanupResult;
}

std::optional<std::vector<std::uint8_t>> FakeSockets::HostAddress(const std::string& name) {
    lookups.push_back(name);
    depthDuringLookup = depth;
    if (depth == 0) {
        return std::nullopt;  // library not started
    }
    const auto found = hosts.find(name);
    if (found != hosts.end()) {
        return found->second;
    }
    return DottedLiteral(name);
}

IcmpHandle FakeSockets::IcmpOpen() {
    ++icmpOpened;
    return icmpOpenFails ? 0 : 0x77;
}

std::uint32_t FakeSockets::IcmpSendEcho(IcmpHandle, std::uint32_t address,
                                        const std::string& payload, EchoReply& reply,
                                        std::uint32_t replySize, std::uint32_t timeoutMs) {
    depthDuringEcho = depth;
    echoAddresses.push_back(address);
    echoPayload = payload;
    echoReplySize = replySize;
    echoTimeout = timeoutMs;
    if (echoReplies == 0) {
        reply.status = echoStatus;
        return 0;
    }
    reply.address = address;
    reply.status = 0;
    reply.roundTripTime = echoRoundTrip;
    reply.dataSize = echoDataSize;
    return echoReplies;
}

void FakeSockets::IcmpClose(IcmpHandle) {
    ++icmpClosed;
}

}  // namespace qvx::updlib::fakes
