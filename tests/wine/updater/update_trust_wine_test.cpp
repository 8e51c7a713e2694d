// The updater's trust on the platform: CNG verifies a signature openssl made at test time, and
// the file operations the signed install relies on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "updater/win32/cng_update_trust.h"
#include "updater/win32/main_f_adapters.h"

namespace qvx::updater::win32 {
namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class CngTrustTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* folder = std::getenv("QVX_TRUST_FIXTURE");
        ASSERT_NE(folder, nullptr) << "QVX_TRUST_FIXTURE names the folder openssl filled";
        dir = std::string(folder) + "\\";
        publicXY = Read(dir + "public.xy");
        message = Read(dir + "message.bin");
        signature = Read(dir + "message.sig");
        ASSERT_EQ(publicXY.size(), 64u);
        ASSERT_EQ(signature.size(), 64u);
        ASSERT_GT(message.size(), 3000u);
    }
    std::string dir, publicXY, message, signature;
};

TEST_F(CngTrustTest, OpensslSignatureVerifiesAndNothingElseDoes) {
    CngUpdateTrust trust(publicXY);
    EXPECT_TRUE(trust.VerifySignature(message, signature));

    std::string changed = message;
    changed[100] ^= 1;
    EXPECT_FALSE(trust.VerifySignature(changed, signature));
    EXPECT_FALSE(trust.VerifySignature(message + " ", signature));
    EXPECT_FALSE(trust.VerifySignature(message, Read(dir + "other.sig")));
    std::string flipped = signature;
    flipped[63] ^= 0x80;
    EXPECT_FALSE(trust.VerifySignature(message, flipped));
    EXPECT_FALSE(trust.VerifySignature(message, signature.substr(0, 63)));
    EXPECT_FALSE(trust.VerifySignature(message, std::string(64, '\0')));

    std::string otherPoint = publicXY;
    otherPoint[10] ^= 1;  // no longer on the curve, or another key: either way refused
    EXPECT_FALSE(CngUpdateTrust(otherPoint).VerifySignature(message, signature));
    EXPECT_FALSE(CngUpdateTrust("").VerifySignature(message, signature));
}

TEST_F(CngTrustTest, FingerprintIsSizeAndSha256OfTheWholeFile) {
    CngUpdateTrust trust(publicXY);
    const auto print = trust.Fingerprint(dir + "message.bin");
    ASSERT_TRUE(print.has_value());
    EXPECT_EQ(print->size, message.size());
    EXPECT_EQ(print->sha256, Read(dir + "message.sha256"));
    EXPECT_FALSE(trust.Fingerprint(dir + "no-such-file.bin").has_value());
}

class SignedInstallFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char buffer[MAX_PATH];
        ::GetTempPathA(MAX_PATH, buffer);
        root = std::string(buffer) + "qvx_trust_" + std::to_string(::GetCurrentProcessId()) + "\\";
        ASSERT_TRUE(files.CreateFolders(root + "work"));
    }
    void TearDown() override {
        files.ClearFolder(root);
        ::RemoveDirectoryA(root.c_str());
    }
    Win32UpdateFiles files;
    std::string root;
};

TEST_F(SignedInstallFilesTest, ReadRefusesMoreThanTheLimit) {
    Write(root + "info.ini", std::string(1000, 'i'));
    std::string bytes;
    EXPECT_TRUE(files.ReadFile(root + "info.ini", 1000, bytes));
    EXPECT_EQ(bytes, std::string(1000, 'i'));
    EXPECT_FALSE(files.ReadFile(root + "info.ini", 999, bytes));
    EXPECT_FALSE(files.ReadFile(root + "missing.ini", 1000, bytes));
    Write(root + "empty.ini", "");
    EXPECT_TRUE(files.ReadFile(root + "empty.ini", 1000, bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(SignedInstallFilesTest, DurableWriteReplacesWholeAndLeavesNoTemporary) {
    const std::string journal = root + "work\\install.journal";
    ASSERT_TRUE(files.WriteFileDurably(journal, "first, longer text\n"));
    ASSERT_TRUE(files.WriteFileDurably(journal, "second\n"));
    EXPECT_EQ(Read(journal), "second\n");
    EXPECT_FALSE(files.Found(journal + ".tmp"));
    EXPECT_FALSE(files.WriteFileDurably(root + "no\\such\\folder\\x", "x"));
}

TEST_F(SignedInstallFilesTest, EmptyingTheWorkFolderNeverFollowsALink) {
    ASSERT_TRUE(files.CreateFolders(root + "outside"));
    Write(root + "outside\\keep.dll", "keep");
    if (!::CreateSymbolicLinkA((root + "work\\link").c_str(), (root + "outside").c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY)) {
        GTEST_SKIP() << "this system makes no directory links (error " << ::GetLastError() << ")";
    }
    Write(root + "work\\a.dll", "a");
    files.ClearFolder(root + "work\\");
    EXPECT_FALSE(files.Found(root + "work\\a.dll"));
    EXPECT_FALSE(files.Found(root + "work\\link"));
    EXPECT_EQ(Read(root + "outside\\keep.dll"), "keep");
}

}  // namespace
}  // namespace qvx::updater::win32
