#include <gtest/gtest.h>

#include "tests/fakes/updlib_fakes.h"
#include "updater/update_file_name.h"

namespace {

TEST(UpdateFileName, SafeNamesAndTheirPaths) {
    updlib::fakes::FakeTextCodec text;
    struct Case {
        std::string name;
        std::string local, url, folder;
    };
    const Case cases[] = {
        {"a.dll", "a.dll", "a.dll", ""},
        {"qvxUpgraded.ini", "qvxUpgraded.ini", "qvxUpgraded.ini", ""},
        {"data\\words.dat", "data\\words.dat", "data/words.dat", "data\\"},
        {"data/sub/words.dat", "data\\sub\\words.dat", "data/sub/words.dat", "data\\sub\\"},
        {".hidden", ".hidden", ".hidden", ""},
        // GBK "\xB1\x5C" is one character whose second byte looks like a backslash.
        {"\xB1\x5C.dat", "\xB1\x5C.dat", "\xB1\x5C.dat", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const UpdateFileName n = CheckUpdateFileName(c.name, text);
        EXPECT_TRUE(n.safe);
        EXPECT_EQ(n.localPath, c.local);
        EXPECT_EQ(n.urlPath, c.url);
        EXPECT_EQ(n.folderPart, c.folder);
    }
}

TEST(UpdateFileName, UnsafeNamesAreRefused) {
    updlib::fakes::FakeTextCodec text;
    for (const char* name :
         {"", "..", "..\\a.dll", "a\\..\\..\\b.dll", "a/../b", "C:\\a.dll", "C:a.dll",
          "a.dll:stream", "\\a.dll", "/a.dll", "\\\\server\\share\\a.dll", "a\\", "a\\\\b",
          "a\\.\\b", ". .\\a", "a\x01.dll", "sub\\...\\a"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(CheckUpdateFileName(name, text).safe);
    }
}

}  // namespace
