#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/updlib_fakes.h"
#include "updlib/trovapi.h"

namespace qvx::updlib {
namespace {

using fakes::TrovapiFakes;

class PathsTest : public ::testing::Test {
protected:
    TrovapiFakes fakes;
};

TEST_F(PathsTest, AppPathIsTheProgramFolderWithOneBackslash) {
    struct Case {
        const char* module;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Tools\\qvxUpgraded.exe", "C:\\Tools\\"},
        {"D:\\qvxUpgraded.exe", "D:\\"},
        {"\\\\server\\share\\app\\qvxUpgraded.exe", "\\\\server\\share\\app\\"},
    };
    for (const Case& c : cases) {
        fakes.files.moduleFileName = c.module;
        trovapi api(fakes.Ports());
        EXPECT_EQ(api.AppPath, c.expected);
        EXPECT_EQ(api.GetAppPath(), c.expected);
    }
}

TEST_F(PathsTest, PathSplitting) {
    struct Case {
        const char* path;
        const char* file;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\a\\b.txt", "b.txt", "C:\\a\\"},
        {"b.txt", "b.txt", ""},
        {"C:\\a\\", "", "C:\\a\\"},
        {"", "", ""},
        {"\\x", "x", "\\"},
        {"C:/a/b.txt", "C:/a/b.txt", ""},
    };
    trovapi api(fakes.Ports());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(api.PathToFile(c.path), c.file);
        EXPECT_EQ(api.PathToFolder(c.path), c.folder);
    }
}

TEST_F(PathsTest, NameToPath) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"   ", ""},
        {"", ""},
        {std::string(" \0 ", 3), ""},
        {"C:/x", "C:/x"},
        {"D:\\data\\x.ini", "D:\\data\\x.ini"},
        {"sub\\x.ini", "C:\\Tools\\sub\\x.ini"},
        {"\\root.ini", "C:\\Tools\\\\root.ini"},
        {"\\\\srv\\share\\f", "C:\\Tools\\\\\\srv\\share\\f"},
        {".\\x", "C:\\Tools\\.\\x"},
        {"C:", "C:\\Tools\\C:"},
    };
    trovapi api(fakes.Ports());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(api.NameToPath(c.in), c.out);
    }
}

TEST_F(PathsTest, ExistenceTests) {
    fakes.files.AddFolder("C:\\data");
    fakes.files.AddFolder("C:\\hidden", 16 | 2);
    fakes.files.AddFile("C:\\data\\f.txt", "x");
    trovapi api(fakes.Ports());
    struct Case {
        const char* path;
        bool fifo;
        bool file;
        bool folder;
    };
    const Case cases[] = {
        {"C:\\data", true, false, true},
        {"C:\\hidden", true, false, true},
        {"c:\\DATA\\F.TXT", true, true, false},
        {"C:\\data\\none.txt", false, false, false},
        {"", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(api.FiFoExists(c.path), c.fifo);
        EXPECT_EQ(api.FileExists(c.path), c.file);
        EXPECT_EQ(api.FolderExists(c.path), c.folder);
    }
    EXPECT_EQ(api.FolderOrFile("C:\\data"), std::optional<bool>(true));
    EXPECT_EQ(api.FolderOrFile("C:\\data\\f.txt"), std::optional<bool>(false));
    EXPECT_FALSE(api.FolderOrFile("C:\\data\\none.txt").has_value());
}

TEST_F(PathsTest, SysPathCodes) {
    const std::pair<std::int32_t, std::int32_t> special[] = {
        {3, 0},   {4, 9},   {5, 5},   {6, 2},   {7, 7},   {9, 11},  {10, 6},  {11, 8},
        {12, 19}, {13, 20}, {14, 33}, {15, 34}, {16, 32}, {17, 21}, {18, 26}, {19, 27},
    };
    for (const auto& [code, csidl] : special) {
        fakes.files.specialFolders[csidl] = "C:\\special\\" + std::to_string(csidl);
    }
    fakes.files.environment["Programfiles"] = "C:\\Program Files";
    trovapi api(fakes.Ports());
    EXPECT_EQ(api.SysPath(0), "C:\\windows");
    EXPECT_EQ(api.SysPath(1), "C:\\windows\\system32");
    EXPECT_EQ(api.SysPath(2), "C:\\users\\me\\Temp\\");
    EXPECT_EQ(api.SysPath(8), "C:\\Program Files");
    for (const auto& [code, csidl] : special) {
        SCOPED_TRACE(code);
        EXPECT_EQ(api.SysPath(code), "C:\\special\\" + std::to_string(csidl));
    }
    for (const std::int32_t code : {20, -1, 1000}) {
        EXPECT_EQ(api.SysPath(code), "");
    }
}

TEST_F(PathsTest, SysPathWithoutAnAnswerIsEmpty) {
    fakes.files.environment.clear();
    trovapi api(fakes.Ports());
    EXPECT_EQ(api.SysPath(8), "");
    EXPECT_EQ(api.SysPath(3), "");  // no file-system path for the folder
}

TEST_F(PathsTest, LongFolderTextsComeBackWhole) {
    const std::string longWindows = "C:\\" + std::string(230, 'w');
    fakes.files.windowsDirectory = longWindows;
    trovapi api(fakes.Ports());
    EXPECT_EQ(api.SysPath(0), longWindows);
    // First the 200-character buffer, then exactly the size the platform asked for.
    ASSERT_EQ(fakes.files.bufferSizesAsked.size(), 2u);
    EXPECT_EQ(fakes.files.bufferSizesAsked[0], 200u);
    EXPECT_GE(fakes.files.bufferSizesAsked[1], longWindows.size() + 1);
}

TEST_F(PathsTest, ShortPath) {
    const std::string longPath = "C:\\" + std::string(180, 'd') + "\\file.txt";
    fakes.files.AddFile("C:\\Program Files\\x.txt", "");
    fakes.files.SetShortName("C:\\Program Files\\x.txt", "C:\\PROGRA~1\\x.txt");
    fakes.files.AddFile(longPath, "");
    fakes.files.SetShortName(longPath, longPath);
    trovapi api(fakes.Ports());
    EXPECT_EQ(api.GetShortPath("C:\\Program Files\\x.txt"), "C:\\PROGRA~1\\x.txt");
    EXPECT_EQ(api.GetShortPath("C:\\none.txt"), "");
    // Longer than the 164-character buffer: asked again, the whole text comes back.
    EXPECT_EQ(api.GetShortPath(longPath), longPath);
}

TEST_F(PathsTest, NewPathCreatesEveryLevel) {
    fakes.files.AddFolder("D:\\");
    trovapi api(fakes.Ports());
    api.NewPath("D:\\a\\b");
    const std::vector<std::string> expected = {"D:\\", "D:\\a\\", "D:\\a\\b\\"};
    EXPECT_EQ(fakes.files.createdFolderCalls, expected);
    EXPECT_TRUE(api.FolderExists("D:\\a\\b"));
    // Again, with everything there: every level fails quietly, nothing else changes.
    fakes.files.createdFolderCalls.clear();
    api.NewPath("D:\\a\\b\\");
    EXPECT_EQ(fakes.files.createdFolderCalls, expected);
}

TEST_F(PathsTest, CompFile) {
    std::string bytes(25000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 31 % 251);
    }
    std::string lastByteDiffers = bytes;
    lastByteDiffers.back() ^= 1;
    std::string firstBlockDiffers = bytes;
    firstBlockDiffers[9999] ^= 1;
    fakes.files.AddFile("C:\\a.bin", bytes);
    fakes.files.AddFile("C:\\copy.bin", bytes);
    fakes.files.AddFile("C:\\last.bin", lastByteDiffers);
    fakes.files.AddFile("C:\\first.bin", firstBlockDiffers);
    fakes.files.AddFile("C:\\short.bin", bytes.substr(0, 24999));
    fakes.files.AddFile("C:\\empty1.bin", "");
    fakes.files.AddFile("C:\\empty2.bin", "");
    trovapi api(fakes.Ports());
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"C:\\a.bin", "C:\\copy.bin", true},        {"C:\\a.bin", "C:\\last.bin", false},
        {"C:\\a.bin", "C:\\first.bin", false},      {"C:\\a.bin", "C:\\short.bin", false},
        {"C:\\empty1.bin", "C:\\empty2.bin", true}, {"C:\\a.bin", "C:\\missing.bin", false},
        {"C:\\missing.bin", "C:\\a.bin", false},    {"C:\\gone1", "C:\\gone2", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        EXPECT_EQ(api.CompFile(c.a, c.b), c.equal);
        EXPECT_EQ(fakes.files.openReaders, 0);  // both closed on every outcome
    }
    // A missing file is not created by the comparison.
    EXPECT_FALSE(fakes.files.Exists("C:\\missing.bin"));
    EXPECT_FALSE(fakes.files.Exists("C:\\gone1"));
}

}  // namespace
}  // namespace qvx::updlib
