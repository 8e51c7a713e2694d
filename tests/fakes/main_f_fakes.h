#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "updater/main_f_ports.h"
#include "updater/update_trust_port.h"

namespace qvx::updater::fakes {

// The updater's file operations over the same in-memory files the download class writes
// (path -> bytes, paths compared as written). A "running" file can be renamed but neither
// overwritten nor deleted, as a program file in use.
class FakeUpdateFiles : public UpdateFiles {
public:
    explicit FakeUpdateFiles(std::map<std::string, std::string>& files) : files_(files) {}

    std::set<std::string> folders;
    std::set<std::string> running;       // program files in use
    std::set<std::string> failCopyTo;    // copies onto these targets fail
    std::set<std::string> failMoveFrom;  // renames of these files fail
    std::vector<std::string> created;    // every CreateFolders asked
    std::vector<std::string> copies;     // "from -> to" of every successful copy
    std::vector<std::string> cleared;    // folders emptied
    std::set<std::string> failWrite;     // durable writes of these files fail
    // The power fails (a `PowerCut` is thrown) when this many renames and copies have been done
    // and one more is asked for; what was done so far stays, as on a disk.
    std::optional<int> powerCutAfter;
    int changes = 0;  // renames and copies done
    struct PowerCut {};

    bool Found(const std::string& path) override;
    bool FileExists(const std::string& path) override { return files_.count(path) != 0; }
    bool CreateFolders(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool CopyOver(const std::string& from, const std::string& to) override;
    bool Rename(const std::string& from, const std::string& to) override;
    void ClearFolder(const std::string& folder) override;
    bool ReadFile(const std::string& path, std::size_t maxBytes, std::string& bytes) override;
    bool WriteFileDurably(const std::string& path, const std::string& bytes) override;

private:
    void Change();
    std::map<std::string, std::string>& files_;
};

class FakeLauncher : public ProcessLauncher {
public:
    struct Launched {
        std::string commandLine;
        ShowState show;
    };
    std::vector<Launched> launched;
    bool Launch(const std::string& commandLine, ShowState show) override {
        launched.push_back({commandLine, show});
        return true;
    }
};

// The window: records what the logic asks of it; `onDoEvents` stands in for the messages
// handled while the window is shown.
class FakeMainFHost : public MainFHost {
public:
    int shows = 0;
    int changes = 0;
    int ends = 0;
    std::function<void()> onDoEvents;
    updlib::WindowHandle Handle() override { return 0x4711; }
    void ShowAndDoEvents() override {
        ++shows;
        if (onDoEvents) {
            onDoEvents();
        }
    }
    void ModelChanged() override { ++changes; }
    void EndProgram() override { ++ends; }
};

// The updater's trust port over the same in-memory files, on OpenSSL: the same ECDSA P-256 /
// SHA-256 check as the platform's, against the public point X||Y it is given.
class FakeUpdateTrust : public UpdateTrust {
public:
    FakeUpdateTrust(const std::map<std::string, std::string>& files, std::string publicXY)
        : files_(files), publicXY_(std::move(publicXY)) {}
    int verifications = 0;
    // Runs once a signature has been checked: a test changes files on disk behind the check.
    std::function<void()> afterVerify;
    bool VerifySignature(std::string_view message, std::string_view signature) override;
    std::optional<FileFingerprint> Fingerprint(const std::string& path) override;

private:
    const std::map<std::string, std::string>& files_;
    std::string publicXY_;
};

}  // namespace qvx::updater::fakes
