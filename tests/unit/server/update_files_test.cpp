#include "server/stats_service.h"

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
    std::ofstream(root / "qvxUpgraded.ini") << "[Info]";
    std::ofstream(root / "sub" / "a.bin") << "x";
    std::ofstream(top / "secret.db") << "s";
    fs::create_symlink(top / "secret.db", root / "link.db");

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
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveUpdateFile(root, c.path).has_value(), c.served) << c.path;
    }
    fs::remove_all(top);
}

}  // namespace
}  // namespace qvx::server
