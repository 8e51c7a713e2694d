#include "base/win32/file_log.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/win32/scoped.h"

namespace qvx::base::win32 {
namespace {

std::string ReadAll(const std::wstring& path) {
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return "<missing>";
    }
    std::string bytes(1 << 16, '\0');
    DWORD read = 0;
    ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

class FileLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        // A folder that does not exist yet: the log makes it.
        folder_ = std::wstring(temp) + L"qvx_file_log_" + std::to_wstring(GetCurrentProcessId());
    }
    void TearDown() override {
        DeleteFileW((folder_ + L"\\test.log").c_str());
        DeleteFileW((folder_ + L"\\test.old.log").c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    std::wstring folder_;
};

TEST_F(FileLogTest, LinesAreAppendedWithTimeAndPlace) {
    FileLog log(folder_, L"test");
    EXPECT_EQ(log.Path(), folder_ + L"\\test.log");
    log.Write("usage report request", "COM 无法创建对象");
    log.Write("main window handler", "second");
    const std::string text = ReadAll(log.Path());
    const auto first = text.find(" usage report request: COM 无法创建对象\r\n");
    const auto second = text.find(" main window handler: second\r\n");
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, second);
    // "YYYY-MM-DD hh:mm:ss " leads each line.
    EXPECT_EQ(text[4], '-');
    EXPECT_EQ(text[13], ':');
}

TEST_F(FileLogTest, FileNeverPassesItsBoundAndTheLastLinesSurvive) {
    constexpr std::size_t kBound = 400;
    FileLog log(folder_, L"test", kBound);
    for (int i = 0; i < 40; ++i) {
        log.Write("tick", "line " + std::to_string(i));
        const std::string now = ReadAll(log.Path());
        ASSERT_LE(now.size(), kBound) << i;
        ASSERT_NE(now.find("line " + std::to_string(i) + "\r\n"), std::string::npos) << i;
    }
    // The lines before the new file began are kept once, in the old file.
    const std::string old = ReadAll(log.OldPath());
    EXPECT_LE(old.size(), kBound);
    EXPECT_NE(old.find("tick: line"), std::string::npos);
    EXPECT_EQ(ReadAll(log.Path()).find("line 0\r\n"), std::string::npos);
}

TEST(FileLog, NoFolderMeansDebuggerOutputOnly) {
    FileLog log(L"", L"test");
    EXPECT_TRUE(log.Path().empty());
    log.Write("start-up", "nothing to write to");  // must neither crash nor throw
}

TEST(FileLog, ProgramFolderIsUnderLocalApplicationData) {
    const std::wstring folder = ProgramLogFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.substr(folder.size() - 8), L"\\Quorvex");
}

}  // namespace
}  // namespace qvx::base::win32
