#include <gtest/gtest.h>

#include "tests/wine/updlib/wine_rig.h"

namespace qvx::updlib::win32 {
namespace {

using namespace wine_test;

class PathsWineTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::unique_ptr<Win32TrovapiPorts> platform = MakeWin32TrovapiPorts();
    trovapi api{platform->Ports()};
};

TEST_F(PathsWineTest, AppPathIsTheFolderOfThisProgram) {
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string path = module;
    EXPECT_EQ(api.AppPath, path.substr(0, path.rfind('\\') + 1));
    EXPECT_EQ(api.AppPath.back(), '\\');
}

TEST_F(PathsWineTest, ExistenceTests) {
    const std::string folder = scratch.Path() + "sub";
    const std::string file = scratch.Path() + "file.txt";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteBytes(file, "x");
    struct Case {
        std::string path;
        bool fifo;
        bool file;
        bool folder;
    };
    const Case cases[] = {
        {folder, true, false, true}, {folder + "\\", true, false, true},
        {file, true, true, false},   {scratch.Path() + "none.txt", false, false, false},
        {"", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(api.FiFoExists(c.path), c.fifo);
        EXPECT_EQ(api.FileExists(c.path), c.file);
        EXPECT_EQ(api.FolderExists(c.path), c.folder);
    }
    EXPECT_FALSE(api.FolderOrFile(scratch.Path() + "none.txt").has_value());
}

TEST_F(PathsWineTest, NewPathCreatesEveryLevel) {
    const std::string deep = scratch.Path() + "a\\b\\c";
    api.NewPath(deep);
    EXPECT_TRUE(api.FolderExists(scratch.Path() + "a"));
    EXPECT_TRUE(api.FolderExists(scratch.Path() + "a\\b"));
    EXPECT_TRUE(api.FolderExists(deep));
    api.NewPath(deep + "\\");  // all there already: nothing fails loudly
    EXPECT_TRUE(api.FolderExists(deep));
}

TEST_F(PathsWineTest, CompFileComparesByBlocksAndCreatesNothing) {
    std::string bytes(25000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 31 % 251);
    }
    const std::string a = scratch.Path() + "a.bin";
    const std::string copy = scratch.Path() + "copy.bin";
    const std::string changed = scratch.Path() + "changed.bin";
    const std::string missing = scratch.Path() + "missing.bin";
    WriteBytes(a, bytes);
    WriteBytes(copy, bytes);
    std::string tail = bytes;
    tail[24999] ^= 1;
    WriteBytes(changed, tail);
    EXPECT_TRUE(api.CompFile(a, copy));
    EXPECT_FALSE(api.CompFile(a, changed));
    EXPECT_FALSE(api.CompFile(a, missing));
    EXPECT_FALSE(api.FiFoExists(missing));
    // Both files were closed again: they can be deleted at once.
    EXPECT_TRUE(DeleteFileA(copy.c_str()));
    EXPECT_TRUE(DeleteFileA(changed.c_str()));
}

TEST_F(PathsWineTest, SystemFoldersAndShortPaths) {
    char windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(api.SysPath(0), windows);
    EXPECT_FALSE(api.SysPath(1).empty());
    EXPECT_EQ(api.SysPath(2).back(), '\\');
    EXPECT_FALSE(api.SysPath(5).empty());  // documents
    EXPECT_EQ(api.SysPath(20), "");
    EXPECT_EQ(api.SysPath(-1), "");
    const std::string file = scratch.Path() + "a long file name.text";
    WriteBytes(file, "x");
    const std::string shortForm = api.GetShortPath(file);
    EXPECT_FALSE(shortForm.empty());
    EXPECT_TRUE(api.FileExists(shortForm));
    EXPECT_EQ(api.GetShortPath(scratch.Path() + "missing.txt"), "");
}

TEST_F(PathsWineTest, ShortPathLongerThanTheFirstBufferComesBackWhole) {
    // Short names already, nested deep enough that the short form runs past 164 characters.
    std::string deep = scratch.Path().substr(0, scratch.Path().size() - 1);
    for (int level = 0; level < 24; ++level) {
        deep += "\\lvl" + std::to_string(level);
    }
    api.NewPath(deep);
    const std::string file = deep + "\\f.txt";
    WriteBytes(file, "x");
    ASSERT_TRUE(api.FileExists(file));
    char expected[1024] = {};
    const DWORD n = GetShortPathNameA(file.c_str(), expected, sizeof expected);
    ASSERT_GT(n, 164u);
    const std::string shortForm = api.GetShortPath(file);
    EXPECT_EQ(shortForm, std::string(expected, n));
    std::printf("short path of %zu characters came back whole\n", shortForm.size());
}

TEST_F(PathsWineTest, RevStringKeepsDoubleByteCharactersWhole) {
    TextCodec& text = platform->Ports().text;
    std::printf("system code page %u\n", GetACP());
    EXPECT_EQ(api.RevString(text.Utf8ToAnsi("升级ab")), text.Utf8ToAnsi("ba级升"));
    EXPECT_EQ(api.RevString("abc"), "cba");
}

}  // namespace
}  // namespace qvx::updlib::win32
