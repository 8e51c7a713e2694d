#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/updlib_fakes.h"
#include "updlib/trovapi.h"

namespace qvx::updlib {
namespace {

using namespace std::string_literals;
using fakes::TrovapiFakes;

TEST(DialogFilterTest, PiecesEndInNulAndTheListInTwo) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"", "*.*\0*.*\0\0"s},
        {"   ", "*.*\0*.*\0\0"s},
        {"*.*|*.*", "*.*\0*.*\0\0"s},
        {"Text|*.txt|All|*.*", "Text\0*.txt\0All\0*.*\0\0"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(BuildDialogFilter(c.in), c.out);
    }
}

class FileDialogTest : public ::testing::Test {
protected:
    FileDialogTest() {
        fakes.files.moduleFileName = "C:\\Tools\\qvxUpgraded.exe";
        fakes.files.AddFolder("C:\\Data");
        fakes.files.AddFolder("C:\\Secret", 16 | 2);
        fakes.files.AddFile("C:\\Data\\file.txt", "x");
    }
    const FileDialogRequest& LastRequest() { return fakes.shell.fileRequests.back().second; }
    TrovapiFakes fakes;
    trovapi api{fakes.Ports()};
};

TEST_F(FileDialogTest, StartFolderFallsBackToTheProgramFolder) {
    struct Case {
        const char* startPath;
        const char* folder;
    };
    const Case cases[] = {
        {"", "C:\\Tools"},
        {"   ", "C:\\Tools"},
        {"C:\\Data", "C:\\Data\\"},
        {"C:\\Data\\", "C:\\Data\\"},
        {"C:\\Secret", "C:\\Secret\\"},
        {"C:\\Missing", "C:\\Tools"},
        {"C:\\Data\\file.txt", "C:\\Tools"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.startPath);
        api.OpenFile(0x100, "Pick", c.startPath);
        EXPECT_EQ(LastRequest().initialFolder, c.folder);
    }
}

TEST_F(FileDialogTest, ProgramAtADriveRootKeepsItsBackslash) {
    fakes.files.moduleFileName = "D:\\qvxUpgraded.exe";
    trovapi rooted(fakes.Ports());
    rooted.OpenFile(0);
    EXPECT_EQ(LastRequest().initialFolder, "D:\\");
}

TEST_F(FileDialogTest, RequestCarriesTheDefaultsOfEachKind) {
    api.OpenFile(0x100, "Open it", "", "Text|*.txt");
    const FileDialogRequest open = LastRequest();
    EXPECT_EQ(fakes.shell.fileRequests.back().first, FileDialogKind::Open);
    EXPECT_EQ(open.owner, 0x100u);
    EXPECT_EQ(open.title, "Open it");
    EXPECT_EQ(open.filter, "Text\0*.txt\0\0"s);
    EXPECT_EQ(open.filterIndex, 1u);
    EXPECT_EQ(open.defaultExtension, "");
    EXPECT_EQ(open.fileBufferChars, 255u);
    EXPECT_EQ(open.fileTitleChars, 256u);
    EXPECT_EQ(open.flags, 0x200008u);
    api.SaveFile(0x100);
    EXPECT_EQ(fakes.shell.fileRequests.back().first, FileDialogKind::Save);
    EXPECT_EQ(LastRequest().flags, 0x200004u);
    EXPECT_EQ(LastRequest().filter, "*.*\0*.*\0\0"s);
    api.SaveFile(0x100, "", "", "  ");
    EXPECT_EQ(LastRequest().filter, "*.*\0*.*\0\0"s);
}

TEST_F(FileDialogTest, ResultIsThePickedPathOrEmpty) {
    fakes.shell.fileChoice = "C:\\Data\\file.txt";
    EXPECT_EQ(api.OpenFile(0), "C:\\Data\\file.txt");
    EXPECT_EQ(api.SaveFile(0), "C:\\Data\\file.txt");
    fakes.shell.fileChoice.reset();
    EXPECT_EQ(api.OpenFile(0), "");
    EXPECT_EQ(api.SaveFile(0), "");
}

TEST_F(FileDialogTest, FolderBrowser) {
    fakes.shell.folderChoice = "C:\\Data";
    EXPECT_EQ(api.OpenFolder(), "C:\\Data\\");
    EXPECT_EQ(fakes.shell.lastFolderPrompt, "请选择文件夹:");
    EXPECT_EQ(fakes.shell.lastFolderRoot, 0);
    EXPECT_EQ(fakes.shell.lastFolderFlags, 1u);
    fakes.shell.folderChoice = "D:\\";
    EXPECT_EQ(api.OpenFolder("Where?"), "D:\\");
    EXPECT_EQ(fakes.shell.lastFolderPrompt, "Where?");
    fakes.shell.folderChoice.reset();
    EXPECT_EQ(api.OpenFolder(), "");
}

TEST_F(FileDialogTest, ColourAndNetworkDialogs) {
    fakes.shell.colourChoice = 0x00FF8040u;
    EXPECT_EQ(api.GetColor(), 0x00FF8040);
    fakes.shell.colourChoice.reset();
    EXPECT_EQ(api.GetColor(), -1);

    fakes.shell.connectionResult = -1;
    EXPECT_EQ(api.ConnectDisk(), -1);
    fakes.shell.connectionResult = 0;
    EXPECT_EQ(api.ConnectPrint(0x100), 0);
    EXPECT_EQ(api.DisconnectDisk(), 0);
    EXPECT_EQ(api.DisconnectPrint(), 0);
    const std::vector<std::pair<std::string, std::uint32_t>> expected = {
        {"connect", 1}, {"connect", 2}, {"disconnect", 1}, {"disconnect", 2}};
    EXPECT_EQ(fakes.shell.connectionDialogs, expected);
}

TEST_F(FileDialogTest, ShowNetWorkPicksAComputer) {
    fakes.shell.computerChoice = "OFFICE-PC";
    EXPECT_EQ(api.ShowNetWork(), "OFFICE-PC");
    EXPECT_EQ(fakes.shell.lastComputerCaption, "网上邻居");
    EXPECT_EQ(fakes.shell.lastComputerPrompt, "选择计算机名称.");
    EXPECT_EQ(api.ShowNetWork("Caption", "Prompt"), "OFFICE-PC");
    EXPECT_EQ(fakes.shell.lastComputerCaption, "Caption");
    EXPECT_EQ(fakes.shell.lastComputerPrompt, "Prompt");
    fakes.shell.computerChoice.reset();
    EXPECT_EQ(api.ShowNetWork(), "");
}

}  // namespace
}  // namespace qvx::updlib
