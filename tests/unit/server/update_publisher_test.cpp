#include "server/update_publisher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "server/published_offer.h"
#include "server/signing/update_signing.h"
#include "updater/signed_update.h"

namespace qvx::server {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const fs::path& path, const std::string& bytes) {
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path());
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(BuildInfoFile, KeepsTheTemplateAndSetsMarkerVersionsAndHashes) {
    const std::string templateText =
        "[SetOpt]\nupdexe=1\n[info]\nInfoStr=old\nSerNum=1\nexeverm=1\nExeVerZ=2\nFileNum=2\n"
        "[FileHash]\nstale.dll=00\n[Server]\nSerUrl1=http://srv/update\n[FileSize]\nstale.dll=1\n";
    const std::string info = BuildInfoFile(
        templateText, "16", "5",
        {{"quorvex.exe", std::string(64, 'a'), 10}, {"data\\w.dat", std::string(64, 'b'), 0}});
    EXPECT_EQ(info,
              "[SetOpt]\r\nupdexe=1\r\n"
              "[Info]\r\nInfoStr=Quorvex_Soft_qvxUpgraded\r\nExeVerM=16\r\nExeVerZ=5\r\n"
              "SerNum=1\r\nFileNum=2\r\n"
              "[Server]\r\nSerUrl1=http://srv/update\r\n"
              "[FileHash]\r\nquorvex.exe=" +
                  std::string(64, 'a') + "\r\ndata\\w.dat=" + std::string(64, 'b') +
                  "\r\n"
                  "[FileSize]\r\nquorvex.exe=10\r\ndata\\w.dat=0\r\n");
    // Without a template the information file holds only what the updater checks.
    EXPECT_EQ(BuildInfoFile("", "2", "3", {}),
              "[Info]\r\nInfoStr=Quorvex_Soft_qvxUpgraded\r\nExeVerM=2\r\nExeVerZ=3\r\n"
              "[FileHash]\r\n[FileSize]\r\n");
}

class PublishTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qvx-publish.XXXXXX";
        root = mkdtemp(pattern);
        previous = fs::current_path();
        fs::create_directories(root / "stage");
        fs::current_path(root / "stage");
        // The publisher's key as openssl makes it.
        ASSERT_EQ(std::system(("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 "
                               "-out " +
                               (root / "private.pem").string() + " 2>/dev/null")
                                  .c_str()),
                  0);
        std::string error;
        const auto key = signing::SigningKey::FromPemFile((root / "private.pem").string(), error);
        ASSERT_TRUE(key) << error;
        publicXY = key->PublicXY();
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(root);
    }
    int Publish(const std::vector<std::string>& files, const std::string& key = "",
                const std::vector<std::string>& options = {}) {
        std::vector<std::string> args = {"--key",
                                         key.empty() ? (root / "private.pem").string() : key,
                                         "--program-version",
                                         "16",
                                         "--entries-version",
                                         "5",
                                         "--out",
                                         (root / "www" / "update").string()};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), files.begin(), files.end());
        std::ostringstream out, err;
        const int code = PublishMain(args, out, err);
        errors = err.str();
        return code;
    }
    fs::path Out(const std::string& name) const { return root / "www" / "update" / name; }
    fs::path root, previous;
    std::string publicXY, errors;
};

// What the publisher writes is what the updater accepts: the signature holds for the key's
// public point, and the updater's own reader finds every file's size and hash.
TEST_F(PublishTest, FolderIsSignedAndEveryFileIsListedUnderItsListName) {
    Write("quorvex.exe", "MZ new main");
    Write("data/words.dat", std::string(5000, 'w'));
    Write("qvxUpgraded.ini", "[Info]\nSerNum=1\n[FileList]\nFile1=quorvex.exe\n");
    ASSERT_EQ(Publish({"quorvex.exe", "data/words.dat", "qvxUpgraded.ini"}), 0) << errors;

    const std::string info = Read(Out("qvxUpgraded.ini"));
    const std::string signature = Read(Out("qvxUpgraded.ini.sig"));
    ASSERT_EQ(signature.size(), 64u);
    EXPECT_TRUE(signing::VerifySignature(publicXY, info, signature));
    EXPECT_FALSE(signing::VerifySignature(publicXY, info + " ", signature));
    EXPECT_NE(info.find("InfoStr=Quorvex_Soft_qvxUpgraded\r\nExeVerM=16\r\nExeVerZ=5\r\n"),
              std::string::npos);
    EXPECT_NE(info.find("[FileList]\r\nFile1=quorvex.exe\r\n"), std::string::npos);

    const auto digests = qvx::updater::ReadFileDigests(info);
    ASSERT_EQ(digests.size(), 2u);  // the information file itself needs no entry
    EXPECT_EQ(digests.at("quorvex.exe").sha256, signing::Sha256Hex("MZ new main"));
    EXPECT_EQ(digests.at("quorvex.exe").size, 11u);
    EXPECT_EQ(digests.at("data\\words.dat").sha256, signing::Sha256Hex(std::string(5000, 'w')));
    EXPECT_EQ(Read(Out("quorvex.exe")), "MZ new main");
    EXPECT_EQ(Read(Out("data/words.dat")), std::string(5000, 'w'));
}

TEST_F(PublishTest, RefusesWhatCannotBePublishedSafely) {
    Write("a.dll", "a");
    Write(root / "outside.dll", "o");
    // A key file cut short (a failed copy): the generated key's first half.
    const std::string key = Read(root / "private.pem");
    Write(root / "not-a-key.pem", key.substr(0, key.size() / 2));
    struct Case {
        const char* name;
        std::vector<std::string> files;
        std::string key;
        int code;
    };
    const Case cases[] = {
        {"a path above the folder", {"../outside.dll"}, "", 2},
        {"an absolute path", {(root / "outside.dll").string()}, "", 2},
        {"no files", {}, "", 2},
        {"a missing file", {"missing.dll"}, "", 1},
        {"no key there", {"a.dll"}, (root / "none.pem").string(), 1},
        {"no key in the file", {"a.dll"}, (root / "not-a-key.pem").string(), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Publish(c.files, c.key), c.code);
        EXPECT_FALSE(errors.empty());
        EXPECT_FALSE(fs::exists(Out("qvxUpgraded.ini.sig")));
    }
    std::ostringstream out, err;
    EXPECT_EQ(PublishMain({"--key", "k", "--program-version", "1.x", "--entries-version", "1",
                           "--out", "o", "a.dll"},
                          out, err),
              2);
}

// The hash sections are the publisher's alone: a template naming either in any form could have
// its own lines taken for the computed ones by a reader, so it is refused and nothing is written.
TEST_F(PublishTest, RefusesATemplateThatNamesAHashSection) {
    Write("a.dll", "a");
    for (const char* line : {"[FileHash]", "[FileHash", "[ filesize ]", "  [FILEHASH]x",
                             "[File Hash]", "[Server", "[Info"}) {
        SCOPED_TRACE(line);
        Write("qvxUpgraded.ini",
              std::string("[Server]\r\n") + line + "\r\na.dll=" + std::string(64, '0') + "\r\n");
        EXPECT_EQ(Publish({"a.dll", "qvxUpgraded.ini"}), 2);
        EXPECT_NE(errors.find("qvxUpgraded.ini"), std::string::npos) << errors;
        EXPECT_FALSE(fs::exists(Out("qvxUpgraded.ini")));
        EXPECT_FALSE(fs::exists(Out("a.dll")));
    }
    // The names as plain text elsewhere do no harm.
    Write("qvxUpgraded.ini", "[Server]\r\nNote=FileHash and FileSize\r\n");
    EXPECT_EQ(Publish({"a.dll", "qvxUpgraded.ini"}), 0) << errors;
    EXPECT_EQ(qvx::updater::ReadFileDigests(Read(Out("qvxUpgraded.ini"))).size(), 1u);
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Each publication is made whole in its own folder and the update folder's name is a link
// switched to it in one rename; the previous publication stays for clients still fetching from
// it, older ones go, and nothing temporary is left behind.
TEST_F(PublishTest, EachPublicationIsWholeInItsOwnFolderBehindOneLink) {
    std::vector<std::string> targets;
    for (int round = 1; round <= 3; ++round) {
        Write("a.dll", "a" + std::to_string(round));
        ASSERT_EQ(Publish({"a.dll"}), 0) << errors;
        ASSERT_TRUE(fs::is_symlink(root / "www" / "update"));
        targets.push_back(fs::read_symlink(root / "www" / "update").string());
        EXPECT_EQ(Read(Out("a.dll")), "a" + std::to_string(round));
    }
    EXPECT_EQ(targets, (std::vector<std::string>{"update.publications/1", "update.publications/2",
                                                 "update.publications/3"}));
    EXPECT_EQ(Names(root / "www"), (std::vector<std::string>{"update", "update.publications"}));
    EXPECT_EQ(Names(root / "www" / "update.publications"), (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(Names(root / "www" / "update"),
              (std::vector<std::string>{"a.dll", "qvxUpgraded.ini", "qvxUpgraded.ini.sig"}));
    EXPECT_EQ(Read(root / "www" / "update.publications" / "2" / "a.dll"), "a2");
}

// A plain update folder from before is swapped for the link in one step and kept as the
// previous publication; what it held is no longer served.
TEST_F(PublishTest, APlainFolderFromBeforeBecomesThePreviousPublication) {
    Write(root / "www" / "update" / "old.dll", "old");
    Write("a.dll", "a");
    ASSERT_EQ(Publish({"a.dll"}), 0) << errors;
    ASSERT_TRUE(fs::is_symlink(root / "www" / "update"));
    EXPECT_EQ(Names(root / "www" / "update"),
              (std::vector<std::string>{"a.dll", "qvxUpgraded.ini", "qvxUpgraded.ini.sig"}));
    EXPECT_EQ(Names(root / "www" / "update.publications"),
              (std::vector<std::string>{"1", "migrated-1"}));
    EXPECT_EQ(Read(root / "www" / "update.publications" / "migrated-1" / "old.dll"), "old");
    EXPECT_EQ(Names(root / "www"), (std::vector<std::string>{"update", "update.publications"}));
}

// The signing key never enters what is served.
TEST_F(PublishTest, RefusesAnUpdateFolderThatHoldsTheKey) {
    Write("a.dll", "a");
    fs::create_directories(root / "www" / "update");
    fs::copy_file(root / "private.pem", root / "www" / "update" / "private.pem");
    fs::copy_file(root / "private.pem", "key.pem");
    struct Case {
        const char* name;
        std::vector<std::string> files;
        std::string key;
    };
    const Case cases[] = {
        {"key in the folder", {"a.dll"}, (root / "www" / "update" / "private.pem").string()},
        {"key given relative from inside", {"a.dll"}, "../www/update/private.pem"},
        {"key among the files", {"a.dll", "key.pem"}, (fs::current_path() / "key.pem").string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Publish(c.files, c.key), 2);
        EXPECT_NE(errors.find("key"), std::string::npos) << errors;
        EXPECT_FALSE(fs::is_symlink(root / "www" / "update"));
        EXPECT_FALSE(fs::exists(Out("a.dll")));
        EXPECT_FALSE(fs::exists(root / "www" / "update.publications"));
    }
}

}  // namespace
}  // namespace qvx::server

namespace qvx::server {
namespace {

// The offer rides inside what is signed: the updater still reads the file, and the service
// takes the offer only from a publication that verifies.
TEST_F(PublishTest, TheOfferIsSignedWithThePublicationAndReadOnlyWhenItVerifies) {
    Write("quorvex.exe", "MZ");
    Write("qvxUpgraded.ini", "[Info]\nOffer=0.1\nSerNum=1\n");
    EXPECT_EQ(Publish({"quorvex.exe"}, "", {"--offer", "1.6x"}), 2);
    EXPECT_NE(errors.find("--offer"), std::string::npos) << errors;
    ASSERT_EQ(Publish({"quorvex.exe", "qvxUpgraded.ini"}, "", {"--offer", "1.7"}), 0) << errors;
    const std::string info = Read(Out("qvxUpgraded.ini"));
    EXPECT_NE(info.find("ExeVerZ=5\r\nOffer=1.7\r\nSerNum=1\r\n"), std::string::npos) << info;
    EXPECT_EQ(info.find("Offer=0.1"), std::string::npos) << info;
    EXPECT_EQ(qvx::updater::ReadFileDigests(info).size(), 1u);

    std::string why;
    EXPECT_EQ(ReadPublishedOffer(root / "www" / "update", publicXY, &why), "1.7") << why;
    const struct {
        const char* name;
        std::string key;
        std::function<void()> spoil;
        const char* reason;
    } cases[] = {
        {"another key", signing::SigningKey::Generate().PublicXY(), [] {}, "does not verify"},
        {"a changed file", publicXY,
         [&] { Write(Out("qvxUpgraded.ini"), Read(Out("qvxUpgraded.ini")) + "X=1\r\n"); },
         "does not verify"},
        {"no signature", publicXY, [&] { fs::remove(Out("qvxUpgraded.ini.sig")); },
         "qvxUpgraded.ini.sig"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Publish({"quorvex.exe"}, "", {"--offer", "1.7"}), 0) << errors;
        c.spoil();
        why.clear();
        EXPECT_FALSE(ReadPublishedOffer(root / "www" / "update", c.key, &why)) << c.name;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.name << ": " << why;
    }
    ASSERT_EQ(Publish({"quorvex.exe"}), 0) << errors;
    EXPECT_FALSE(ReadPublishedOffer(root / "www" / "update", publicXY, &why));
    EXPECT_NE(why.find("names no offer"), std::string::npos) << why;
}

// A new publication is seen without being told; one that fails changes nothing; a reload
// reads the folder again.
TEST_F(PublishTest, TheWatcherFollowsPublicationsAndKeepsTheOfferOfTheLastGoodOne) {
    using namespace std::chrono_literals;
    Write("quorvex.exe", "MZ");
    ASSERT_EQ(Publish({"quorvex.exe"}, "", {"--offer", "1.6"}), 0) << errors;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> offers;
    std::vector<std::string> log;
    const auto waitFor = [&](const std::function<bool()>& done) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 5s, done);
    };
    OfferWatcher watcher(
        root / "www" / "update", publicXY,
        [&](const std::string& offer) {
            std::lock_guard lock(mutex);
            offers.push_back(offer);
            changed.notify_all();
        },
        [&](const std::string& line) {
            std::lock_guard lock(mutex);
            log.push_back(line);
            changed.notify_all();
        },
        20ms);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(offers, std::vector<std::string>{"1.6"});  // read before the constructor returns
    }
    ASSERT_EQ(Publish({"quorvex.exe"}, "", {"--offer", "1.8"}), 0) << errors;
    EXPECT_TRUE(waitFor([&] { return offers.size() == 2; }));
    // Signed by another key: refused, and the log says why.
    const fs::path otherKey = root / "other.pem";
    ASSERT_EQ(std::system(("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out " +
                           otherKey.string() + " 2>/dev/null")
                              .c_str()),
              0);
    const std::size_t logged = [&] {
        std::lock_guard lock(mutex);
        return log.size();
    }();
    ASSERT_EQ(Publish({"quorvex.exe"}, otherKey.string(), {"--offer", "9.9"}), 0) << errors;
    EXPECT_TRUE(waitFor([&] { return log.size() > logged; }));
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(offers, (std::vector<std::string>{"1.6", "1.8"}));
        EXPECT_NE(log.back().find("does not verify"), std::string::npos) << log.back();
    }
    watcher.Reload();
    EXPECT_TRUE(waitFor([&] { return log.size() > logged + 1; }));
    std::lock_guard lock(mutex);
    EXPECT_EQ(offers.size(), 2u);
}

}  // namespace
}  // namespace qvx::server
