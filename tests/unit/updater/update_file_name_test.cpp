#include <gtest/gtest.h>

#include "tests/fakes/updlib_fakes.h"
#include "updater/update_file_name.h"

namespace qvx::updater {
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
        // GBK "\xB1\x5C" is one character whose second byte looks like a backslash; the fake
        // code page reads it as U+7E5C, which the address carries as UTF-8.
        {"\xB1\x5C.dat", "\xB1\x5C.dat", "%E7%B9%9C.dat", ""},
        // Everything outside the unreserved URL characters is percent-encoded.
        {"a#b.dll", "a#b.dll", "a%23b.dll", ""},
        {"my file%.dat", "my file%.dat", "my%20file%25.dat", ""},
        {"data\\a&b=c+d;e'f.dat", "data\\a&b=c+d;e'f.dat", "data/a%26b%3Dc%2Bd%3Be%27f.dat",
         "data\\"},
        {"x-y_z~1.2", "x-y_z~1.2", "x-y_z~1.2", ""},
        // Device names are whole names only.
        {"CONSOLE.dll", "CONSOLE.dll", "CONSOLE.dll", ""},
        {"COM10.dll", "COM10.dll", "COM10.dll", ""},
        {"com.dll", "com.dll", "com.dll", ""},
        {"nul_file", "nul_file", "nul_file", ""},
        {"data\\lpt.txt", "data\\lpt.txt", "data/lpt.txt", "data\\"},
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
          "a\\.\\b", ". .\\a", "a\x01.dll", "sub\\...\\a",
          // Devices, with any extension, in any step and any case.
          "CON", "con.txt", "Prn", "AUX.dat", "nul", "NUL .txt", "COM1", "com9.dll", "LPT1",
          "lpt5.x.y", "CONIN$", "conout$.log", "data\\aux.dat", "aux\\a.dll", "data/Com3",
          // A step that Windows would shorten, and characters no file name may hold.
          "a.", "a ", "dir.\\b", "dir \\b", "a*b", "a?b", "a<b", "a>b", "a|b", "a\"b"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(CheckUpdateFileName(name, text).safe);
    }
}

}  // namespace
}  // namespace qvx::updater
