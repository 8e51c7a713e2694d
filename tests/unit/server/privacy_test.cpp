#include "server/privacy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace qvx::server {
namespace {

namespace fs = std::filesystem;

TEST(Privacy, MacTextIsHmacSha256InLowercaseHex) {
    // RFC 4231, test case 2.
    EXPECT_EQ(ProtectMacText("Jefe", "what do ya want for nothing?"),
              "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    EXPECT_NE(ProtectMacText("Jefe", "00-1A"), ProtectMacText("Jeff", "00-1A"));
}

TEST(Privacy, AddressesAreCutToTheirNetwork) {
    const struct {
        const char* address;
        const char* cut;
    } cases[] = {
        {"203.0.113.77", "203.0.113.0"},
        {"10.0.0.0", "10.0.0.0"},
        {"2001:db8:77:1::9", "2001:db8:77::"},
        {"2001:db8:ffff:ffff:1:2:3:4", "2001:db8:ffff::"},
        {"::ffff:10.1.2.3", "::ffff:10.1.2.0"},
        {"::1", "::"},
        {"not an address", ""},
        {"10.1.2.3.4", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CutClientAddress(c.address), c.cut) << c.address;
    }
}

TEST(Privacy, TheLoggedTargetHidesTheMacTextWhateverItsSpelling) {
    const struct {
        const char* target;
        const char* logged;
    } cases[] = {
        {"/vmo.api/api/user/addappUserinfo?MAC_in=00-1A 52-54&devicetype=pc",
         "/vmo.api/api/user/addappUserinfo?MAC_in=(hidden)&devicetype=pc"},
        {"/x?devicetype=pc&mac_IN=00-1A", "/x?devicetype=pc&mac_IN=(hidden)"},
        {"/x?MAC%5Fin=00-1A&MAC_in=00-1B", "/x?MAC%5Fin=(hidden)&MAC_in=(hidden)"},
        {"/x?MAC_inx=1&a", "/x?MAC_inx=1&a"},
        {"/quorvex.exe", "/quorvex.exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HideMacText(c.target), c.logged) << c.target;
    }
}

class SecretFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qvx_secret_XXXXXX";
        dir_ = mkdtemp(pattern);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(SecretFileTest, IsMadeOnceWithRandomBytesForTheOwnerAlone) {
    const std::string path = (dir_ / "stats.secret").string();
    std::string error;
    EXPECT_FALSE(LoadSecret(path, &error));
    EXPECT_TRUE(error.empty()) << error;
    const auto made = LoadOrCreateSecret(path, &error);
    ASSERT_TRUE(made) << error;
    EXPECT_EQ(made->size(), kSecretBytes);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(LoadOrCreateSecret(path, &error), made);
    EXPECT_EQ(LoadSecret(path, &error), made);
    // Another deployment's secret differs.
    const auto other = LoadOrCreateSecret((dir_ / "other.secret").string(), &error);
    ASSERT_TRUE(other) << error;
    EXPECT_NE(other, made);
    // Nothing but the made file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST_F(SecretFileTest, AFileOthersMayReadOrThatIsTooShortIsRefused) {
    const struct {
        const char* name;
        std::string bytes;
        mode_t mode;
        const char* reason;
    } cases[] = {
        {"readable", std::string(32, 's'), 0644, "chmod 600"},
        {"short", std::string(8, 's'), 0600, "fewer than"},
    };
    for (const auto& c : cases) {
        const std::string path = (dir_ / c.name).string();
        std::ofstream(path) << c.bytes;
        chmod(path.c_str(), c.mode);
        std::string error;
        EXPECT_FALSE(LoadOrCreateSecret(path, &error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(error.find(c.bytes), std::string::npos) << "the secret is in the error";
    }
}

}  // namespace
}  // namespace qvx::server
