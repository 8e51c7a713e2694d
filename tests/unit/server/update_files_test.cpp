#include "server/update_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qvx::server {
namespace {

namespace fs = std::filesystem;

TEST(UpdateFiles, OnlyRegularFilesInsideTheFolder) {
    char pattern[] = "/tmp/qvx_upd_XXXXXX";
    const fs::path top = mkdtemp(pattern);
    const fs::path root = top / "upd";
    fs::create_directories(root / "sub");
    // Every name below is listed, so what refuses each one is the rule the case is about.
    std::ofstream(root / "qvxUpgraded.ini")
        << "[Info]\r\n[FileHash]\r\nsub\\a.bin=0\r\nlink.db=0\r\nshown.txt=0\r\n"
           "stats.db=0\r\nstats.db-wal=0\r\nstats.dbx=0\r\nmissing=0\r\nsub=0\r\n";
    std::ofstream(root / "sub" / "a.bin") << "x";
    std::ofstream(top / "secret.db") << "s";
    fs::create_symlink(top / "secret.db", root / "link.db");
    fs::create_directories(root / ".git");
    std::ofstream(root / ".git" / "config") << "c";
    std::ofstream(root / ".htaccess") << "h";
    fs::create_symlink(root / ".htaccess", root / "shown.txt");
    std::ofstream(root / "stats.db") << "rows";
    std::ofstream(root / "stats.db-wal") << "rows";
    std::ofstream(root / "stats.dbx") << "not the database";

    const struct {
        const char* path;
        bool served;
    } cases[] = {
        {"/qvxUpgraded.ini", true},
        {"/sub/a.bin", true},
        {"/", false},
        {"/sub", false},
        {"/../secret.db", false},
        {"/sub/../qvxUpgraded.ini", false},
        {"/./qvxUpgraded.ini", false},
        {"//qvxUpgraded.ini", false},
        {"/link.db", false},
        {"/missing", false},
        {"/sub\\a.bin", false},
        {"qvxUpgraded.ini", false},
        {"/.htaccess", false},
        {"/.git/config", false},
        {"/shown.txt", false},
        {"/sub/", false},
        {"/stats.db", false},
        {"/stats.db-wal", false},
        {"/stats.dbx", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveUpdateFile(root, c.path, root / "stats.db").has_value(), c.served)
            << c.path;
    }
    // Without a database named, a file of that name is an ordinary file.
    EXPECT_TRUE(ResolveUpdateFile(root, "/stats.db").has_value());
    fs::remove_all(top);
}

// A folder holds more than its publication (a key, a log, files of older releases): only the
// information file, its signature and the files it lists are served, from the nearest
// publication on the path.
TEST(UpdateFiles, OnlyWhatThePublicationListsIsServed) {
    char pattern[] = "/tmp/qvx_upd_XXXXXX";
    const fs::path root = mkdtemp(pattern);
    fs::create_directories(root / "update" / "data");
    fs::create_directories(root / "old");
    std::ofstream(root / "private.pem") << "key";
    std::ofstream(root / "qvxUpgraded.ini") << "[FileHash]\r\nupdate\\quorvex.exe=0\r\n";
    std::ofstream(root / "update" / "qvxUpgraded.ini")
        << "[Server]\r\nprivate.pem=0\r\n[filehash]\r\nquorvex.exe=0\r\ndata\\w.dat=0\r\n"
           "[FileSize]\r\nsize-only.dll=0\r\n";
    std::ofstream(root / "update" / "qvxUpgraded.ini.sig") << "sig";
    for (const char* name : {"private.pem", "quorvex.exe", "access.log", "size-only.dll",
                             "qvxUpgraded.ini.tmp", "data/w.dat", "data/other.dat"}) {
        std::ofstream(root / "update" / name) << "x";
    }
    std::ofstream(root / "old" / "quorvex.exe") << "x";
    const struct {
        const char* path;
        bool served;
    } cases[] = {
        {"/update/qvxUpgraded.ini", true}, {"/update/qvxUpgraded.ini.sig", true},
        {"/update/quorvex.exe", true},     {"/update/data/w.dat", true},
        {"/update/private.pem", false},    // listed only outside [FileHash]
        {"/update/size-only.dll", false},  // listed only under [FileSize]
        {"/update/access.log", false},     {"/update/qvxUpgraded.ini.tmp", false},
        {"/update/data/other.dat", false}, {"/update/QUORVEX.EXE", false},
        {"/private.pem", false},           {"/update/../private.pem", false},
        {"/old/quorvex.exe", false},  // the root's list names update\quorvex.exe only
        {"/qvxUpgraded.ini", true},        {"/update/quorvex.exe/", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveUpdateFile(root, c.path).has_value(), c.served) << c.path;
    }
    // Without an information file nothing at all is served.
    fs::remove(root / "qvxUpgraded.ini");
    fs::remove(root / "update" / "qvxUpgraded.ini");
    EXPECT_FALSE(ResolveUpdateFile(root, "/update/quorvex.exe"));
    EXPECT_FALSE(ResolveUpdateFile(root, "/update/qvxUpgraded.ini.sig"));
    fs::remove_all(root);
}

TEST(UpdateFiles, RangeChoiceTable) {
    using K = RangeChoice;
    const struct {
        const char* header;
        std::uint64_t size;
        RangeChoice::Kind kind;
        std::uint64_t first;
        std::uint64_t length;
    } cases[] = {
        {"", 100, K::kWhole, 0, 0},
        {"bytes=0-9", 100, K::kPart, 0, 10},
        {"bytes=90-", 100, K::kPart, 90, 10},
        {"bytes=90-500", 100, K::kPart, 90, 10},
        {"bytes=-10", 100, K::kPart, 90, 10},
        {"bytes=-500", 100, K::kPart, 0, 100},
        {"bytes=99-99", 100, K::kPart, 99, 1},
        {"bytes=100-", 100, K::kUnsatisfiable, 0, 0},
        {"bytes=-0", 100, K::kUnsatisfiable, 0, 0},
        {"bytes=0-", 0, K::kUnsatisfiable, 0, 0},
        {"bytes=0-,0-", 100, K::kUnsatisfiable, 0, 0},
        {"bytes=0-1,5-6", 100, K::kUnsatisfiable, 0, 0},
        {"bytes=9-1", 100, K::kWhole, 0, 0},
        {"bytes=a-b", 100, K::kWhole, 0, 0},
        {"bytes=5", 100, K::kWhole, 0, 0},
        {"bytes=99999999999999999999-", 100, K::kWhole, 0, 0},
        {"items=0-9", 100, K::kWhole, 0, 0},
    };
    for (const auto& c : cases) {
        const RangeChoice got = ChooseRange(c.header, c.size);
        EXPECT_EQ(got.kind, c.kind) << c.header;
        if (c.kind == K::kPart) {
            EXPECT_EQ(got.first, c.first) << c.header;
            EXPECT_EQ(got.length, c.length) << c.header;
        }
    }
}

}  // namespace
}  // namespace qvx::server
