#pragma once
// The updater window logic on fakes: settings and downloaded files live in one in-memory file
// map, so what the download class writes is what the INI reader and the installer see.

#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "server/signing/update_signing.h"
#include "tests/fakes/main_f_fakes.h"
#include "tests/fakes/std_down_fakes.h"
#include "tests/fakes/updlib_fake_profile.h"
#include "tests/fakes/updlib_fakes.h"
#include "updater/main_f.h"

namespace qvx::updater {

// Local time that moves on by `stepMs` at every reading.
class SteppingClock : public updlib::Clock {
public:
    updlib::TimeRecord now{2026, 12, 4, 10, 10, 7, 30, 0};
    int stepMs = 5;
    updlib::TimeRecord LocalNow() override {
        const updlib::TimeRecord reading = now;
        int ms = now.milliseconds + stepMs;
        now.second = static_cast<std::uint16_t>(now.second + ms / 1000);
        now.milliseconds = static_cast<std::uint16_t>(ms % 1000);
        return reading;
    }
};

// Private-profile reads of the files in the shared map.
class LinkedProfile : public updlib::ProfileFile {
public:
    explicit LinkedProfile(std::map<std::string, std::string>& files) : files_(files) {}
    std::uint32_t ReadString(const std::string& section, const std::string& key,
                             const std::string& def, char* buffer, std::uint32_t size,
                             const std::string& file) override {
        Sync(file);
        return inner_.ReadString(section, key, def, buffer, size, file);
    }
    std::uint32_t ReadInt(const std::string& section, const std::string& key, std::int32_t def,
                          const std::string& file) override {
        Sync(file);
        return inner_.ReadInt(section, key, def, file);
    }
    bool WriteString(const std::string&, const std::string&, const std::string&,
                     const std::string&) override {
        ADD_FAILURE() << "the updater never writes an INI file";
        return false;
    }

private:
    void Sync(const std::string& file) {
        auto it = files_.find(file);
        if (it != files_.end()) {
            inner_.SetFile(file, it->second);
        } else {
            inner_.RemoveFile(file);
        }
    }
    std::map<std::string, std::string>& files_;
    updlib::fakes::FakeProfileFile inner_;
};

struct LocalSettings {
    int updexe = 1;
    int upddic = 1;
    std::string exeVerM = "1";
    std::string exeVerZ = "5";
    std::string servers = "SerNum=1\n";  // [Info] lines about servers
    std::string serverSection = "Ser1=Local\nSerHost1=127.0.0.1\nSerUrl1=http://srv/update\n";
    std::string fileNum = "1";
    std::string fileList = "File1=a.dll\n";
};

class MainFTest : public ::testing::Test {
public:
    static constexpr const char* kApp = "C:\\Tools\\";
    static constexpr const char* kUrl = "http://srv/update/";

    MainFTest() {
        sockets.hosts["127.0.0.1"] = {127, 0, 0, 1};
        sockets.hosts["localhost"] = {127, 0, 0, 1};
    }

    std::string App(const std::string& name) const { return std::string(kApp) + name; }
    std::string Work(const std::string& name) const {
        return std::string(kApp) + "qvxUpgraded\\" + name;
    }

    void WriteSettings(const LocalSettings& s) {
        const std::string text = "[SetOpt]\nupdexe=" + std::to_string(s.updexe) +
                                 "\nupddic=" + std::to_string(s.upddic) + "\n[Info]\n" + s.servers +
                                 "ExeVerM=" + s.exeVerM + "\nExeVerZ=" + s.exeVerZ +
                                 "\nFileNum=" + s.fileNum + "\n[Server]\n" + s.serverSection +
                                 "[FileList]\n" + s.fileList;
        files[App("qvxUpgraded.ini")] = text;
        fs.AddFile(App("qvxUpgraded.ini"), text);
    }

    static std::string InfoFile(const std::string& marker, const std::string& exeVerM,
                                const std::string& exeVerZ) {
        return "[Info]\nInfoStr=" + marker + "\nExeVerM=" + exeVerM + "\nExeVerZ=" + exeVerZ + "\n";
    }
    // The information file, signed by the publisher, with the hash and size of every file
    // served so far.
    void ServeInfo(const std::string& marker, const std::string& exeVerM,
                   const std::string& exeVerZ) {
        Serve("qvxUpgraded.ini",
              fakes::FakeInternet::Ok(InfoFile(marker, exeVerM, exeVerZ) + Digests()));
    }
    std::string Digests() const {
        if (signedFiles.empty()) {
            return {};
        }
        std::string hashes = "[FileHash]\n";
        std::string sizes = "[FileSize]\n";
        for (const auto& [name, bytes] : signedFiles) {
            hashes += name + "=" + qvx::signing::Sha256Hex(bytes) + "\n";
            sizes += name + "=" + std::to_string(bytes.size()) + "\n";
        }
        return hashes + sizes;
    }
    // Serves a file under the base URL. The publisher signs what it serves: an information file
    // gets its signature beside it, any other file its hash and size in the next ServeInfo
    // (under the list name with either separator).
    void Serve(const std::string& path, const fakes::FakeHttpResponse& response) {
        ServeUnsigned(path, response);
        if (path == "qvxUpgraded.ini") {
            ServeUnsigned("qvxUpgraded.ini.sig",
                          fakes::FakeInternet::Ok(publisher.Sign(response.body)));
        } else if (path != "qvxUpgraded.ini.sig") {
            std::string listName = path;
            std::replace(listName.begin(), listName.end(), '/', '\\');
            signedFiles[path] = response.body;
            signedFiles[listName] = response.body;
        }
    }
    void ServeUnsigned(const std::string& path, const fakes::FakeHttpResponse& response) {
        internet.responses[kUrl + path] = response;
    }
    static fakes::FakeHttpResponse Status(long status, const std::string& body) {
        fakes::FakeHttpResponse r;
        r.status = status;
        r.headers =
            fakes::FakeInternet::RawHeaders({"HTTP/1.1 " + std::to_string(status) + " X",
                                             "Content-Length: " + std::to_string(body.size())});
        r.body = body;
        return r;
    }

    MainF& Make() {
        form = std::make_unique<MainF>(MainFPorts{{profile, fs, wait, clock, windows, shell, text},
                                                  {sockets, messages, clock},
                                                  internet,
                                                  downloadFiles,
                                                  pump,
                                                  messages,
                                                  text,
                                                  launcher,
                                                  updateFiles,
                                                  host,
                                                  trust});
        return *form;
    }
    MainF& Load() {
        Make().Form_Load();
        return *form;
    }
    // Start-up, then NextCmd on the measured server: the information file is judged.
    MainF& ThroughInfoFile() {
        Load();
        form->NextCmd_Click();
        return *form;
    }
    // Program 2 offered against installed 1, the local list naming `names`.
    void Offer(const std::vector<std::string>& names) {
        LocalSettings s;
        s.fileNum = std::to_string(names.size());
        s.fileList.clear();
        for (std::size_t k = 0; k < names.size(); ++k) {
            s.fileList += "File" + std::to_string(k + 1) + "=" + names[k] + "\n";
        }
        WriteSettings(s);
        ServeInfo("Quorvex_Soft_qvxUpgraded", "2", "5");
    }
    // The program folder's files (the work folder and the settings file left out).
    std::map<std::string, std::string> ProgramFiles() const {
        std::map<std::string, std::string> result;
        for (const auto& [path, bytes] : files) {
            if (path.rfind(kApp, 0) == 0 && path.find("qvxUpgraded\\") == std::string::npos &&
                path != App("qvxUpgraded.ini")) {
                result[path.substr(std::string(kApp).size())] = bytes;
            }
        }
        return result;
    }
    std::vector<std::string>& Log() { return form->View().ListM.items; }
    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const auto& m : messages.shown) {
            texts.push_back(m.text);
        }
        return texts;
    }

    fakes::FakeInternet internet;
    fakes::FakeFiles downloadFiles;
    std::map<std::string, std::string>& files = downloadFiles.files;
    fakes::FakePump pump;
    LinkedProfile profile{downloadFiles.files};
    updlib::fakes::FakeFileSystem fs;
    updlib::fakes::FakeWaitPort wait;
    SteppingClock clock;
    updlib::fakes::FakeWindowSystem windows;
    updlib::fakes::FakeShell shell;
    updlib::fakes::FakeTextCodec text;
    updlib::fakes::FakeSockets sockets;
    updlib::fakes::FakeMessageBox messages;
    fakes::FakeLauncher launcher;
    fakes::FakeUpdateFiles updateFiles{downloadFiles.files};
    fakes::FakeMainFHost host;
    // A key pair of this test's own; the updater trusts its public half.
    qvx::signing::SigningKey publisher = qvx::signing::SigningKey::Generate();
    fakes::FakeUpdateTrust trust{downloadFiles.files, publisher.PublicXY()};
    std::map<std::string, std::string> signedFiles;  // list name -> bytes the publisher signed
    std::unique_ptr<MainF> form;
};

}  // namespace qvx::updater
