#include "tests/fakes/main_f_fakes.h"

#include "server/signing/update_signing.h"

namespace qvx::updater::fakes {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

bool FakeUpdateFiles::Found(const std::string& path) {
    return files_.count(path) != 0 || folders.count(path) != 0;
}

bool FakeUpdateFiles::CreateFolders(const std::string& path) {
    created.push_back(path);
    std::string p = path;
    while (!p.empty() && p.back() == '\\') {
        p.pop_back();
    }
    if (files_.count(p) != 0) {
        return false;
    }
    folders.insert(p);
    return true;
}

bool FakeUpdateFiles::RemoveFile(const std::string& path) {
    if (running.count(path) != 0) {
        return false;
    }
    return files_.erase(path) != 0;
}

void FakeUpdateFiles::Change() {
    if (powerCutAfter && changes >= *powerCutAfter) {
        throw PowerCut{};
    }
    ++changes;
}

bool FakeUpdateFiles::CopyOver(const std::string& from, const std::string& to) {
    Change();
    auto source = files_.find(from);
    if (source == files_.end() || running.count(to) != 0 || failCopyTo.count(to) != 0) {
        return false;
    }
    files_[to] = source->second;
    copies.push_back(from + " -> " + to);
    return true;
}

bool FakeUpdateFiles::Rename(const std::string& from, const std::string& to) {
    Change();
    auto source = files_.find(from);
    if (source == files_.end() || failMoveFrom.count(from) != 0 || running.count(to) != 0) {
        return false;
    }
    std::string bytes = source->second;
    files_.erase(source);
    files_[to] = std::move(bytes);
    if (running.erase(from) != 0) {
        running.insert(to);
    }
    return true;
}

void FakeUpdateFiles::ClearFolder(const std::string& folder) {
    cleared.push_back(folder);
    for (auto it = files_.begin(); it != files_.end();) {
        if (StartsWith(it->first, folder) && running.count(it->first) == 0) {
            it = files_.erase(it);
        } else {
            ++it;
        }
    }
}

bool FakeUpdateFiles::ReadFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    auto it = files_.find(path);
    if (it == files_.end() || it->second.size() > maxBytes) {
        return false;
    }
    bytes = it->second;
    return true;
}

bool FakeUpdateFiles::WriteFileDurably(const std::string& path, const std::string& bytes) {
    if (failWrite.count(path) != 0 || running.count(path) != 0) {
        return false;
    }
    files_[path] = bytes;
    return true;
}

bool FakeUpdateTrust::VerifySignature(std::string_view message, std::string_view signature) {
    ++verifications;
    const bool valid = qvx::signing::VerifySignature(publicXY_, message, signature);
    if (afterVerify) {
        afterVerify();
    }
    return valid;
}

std::optional<FileFingerprint> FakeUpdateTrust::Fingerprint(const std::string& path) {
    auto it = files_.find(path);
    if (it == files_.end()) {
        return std::nullopt;
    }
    return FileFingerprint{it->second.size(), qvx::signing::Sha256Hex(it->second)};
}

}  // namespace qvx::updater::fakes
