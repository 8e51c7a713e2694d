#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "updater/main_f_ports.h"

// The updater's file operations over the same in-memory files the download class writes
// (path -> bytes, paths compared as written). A "running" file can be renamed but neither
// overwritten nor deleted, as a program file in use.
class FakeUpdateFiles : public upd::UpdateFiles {
public:
    explicit FakeUpdateFiles(std::map<std::string, std::string>& files) : files_(files) {}

    std::set<std::string> folders;
    std::set<std::string> running;       // program files in use
    std::set<std::string> failCopyTo;    // copies onto these targets fail
    std::set<std::string> failMoveFrom;  // renames of these files fail
    std::vector<std::string> created;    // every CreateFolders asked
    std::vector<std::string> copies;     // "from -> to" of every successful copy
    std::vector<std::string> cleared;    // folders emptied

    bool Found(const std::string& path) override;
    bool FileExists(const std::string& path) override { return files_.count(path) != 0; }
    bool CreateFolders(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool CopyOver(const std::string& from, const std::string& to) override;
    bool Rename(const std::string& from, const std::string& to) override;
    void ClearFolder(const std::string& folder) override;

private:
    std::map<std::string, std::string>& files_;
};

class FakeLauncher : public upd::ProcessLauncher {
public:
    struct Launched {
        std::string commandLine;
        upd::ShowState show;
    };
    std::vector<Launched> launched;
    bool Launch(const std::string& commandLine, upd::ShowState show) override {
        launched.push_back({commandLine, show});
        return true;
    }
};

// The window: records what the logic asks of it; `onDoEvents` stands in for the messages
// handled while the window is shown.
class FakeMainFHost : public upd::MainFHost {
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
