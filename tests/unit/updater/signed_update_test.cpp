#include <gtest/gtest.h>

#include "updater/file_install.h"
#include "updater/signed_update.h"

namespace qvx::updater {
namespace {

const std::string kHashA(64, 'a');
const std::string kHashB = std::string(63, '0') + "F";

TEST(SignatureFile, OnlySixtyFourBytesWithNonZeroHalvesPass) {
    const std::string r(32, '\x01');
    const std::string s(32, '\x7f');
    const std::string zero(32, '\0');
    struct Case {
        const char* name;
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"r||s", r + s, true},
        {"empty", "", false},
        {"one byte short", (r + s).substr(1), false},
        {"one byte more", r + s + "x", false},
        {"DER form", "\x30\x44\x02\x20" + r + "\x02\x20" + s, false},
        {"r zero", zero + s, false},
        {"s zero", r + zero, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = ParseSignatureFile(c.bytes);
        EXPECT_EQ(parsed.has_value(), c.valid);
        if (parsed) {
            EXPECT_EQ(*parsed, c.bytes);
        }
    }
}

TEST(FileDigests, ReadLikeTheProfileReaderAndOnlyWhole) {
    const std::string info = "[Info]\r\nInfoStr=Quorvex_Soft_qvxUpgraded\r\na.dll=" + kHashB +
                             "\r\n"            // other section
                             "[filehash]\r\n"  // any case
                             "a.dll=" +
                             kHashA +
                             "\r\n"
                             "a.dll=" +
                             kHashB +
                             "\r\n"  // the first line of a key counts
                             "  data\\w.dat  =  " +
                             kHashB +
                             "  \r\n"
                             "; quorvex.exe=" +
                             kHashA +
                             "\r\n"
                             "short.dll=" +
                             kHashA.substr(1) +
                             "\r\n"
                             "nothex.dll=" +
                             std::string(63, 'a') +
                             "g\r\n"
                             "nosize.dll=" +
                             kHashA +
                             "\r\n"
                             "badsize.dll=" +
                             kHashA +
                             "\r\n"
                             "negative.dll=" +
                             kHashA +
                             "\r\n"
                             "[ FileSize ]\n"
                             "a.dll=1234\n"
                             "data\\w.dat=0\n"
                             "short.dll=1\nnothex.dll=1\n"
                             "badsize.dll=12a\n"
                             "negative.dll=-1\n"
                             "sizeonly.dll=5\n";
    const auto digests = ReadFileDigests(info);
    ASSERT_EQ(digests.size(), 2u);
    EXPECT_EQ(digests.at("a.dll").sha256, kHashA);
    EXPECT_EQ(digests.at("a.dll").size, 1234u);
    // Upper-case hex digits are taken as the same digest.
    EXPECT_EQ(digests.at("data\\w.dat").sha256, std::string(63, '0') + "f");
    EXPECT_EQ(digests.at("data\\w.dat").size, 0u);
    EXPECT_TRUE(ReadFileDigests("").empty());
    EXPECT_TRUE(ReadFileDigests("[FileHash]\na.dll=" + kHashA).empty());
}

TEST(InstallJournal, OnlyAWholeJournalIsRead) {
    const std::vector<JournalEntry> entries = {{true, "quorvex.exe"}, {false, "data\\new.dat"}};
    const std::string text = FormatInstallJournal(entries);
    EXPECT_EQ(ParseInstallJournal(text), entries);
    EXPECT_EQ(ParseInstallJournal(FormatInstallJournal({})), std::vector<JournalEntry>{});
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_FALSE(ParseInstallJournal(text.substr(0, cut)));
    }
    EXPECT_FALSE(ParseInstallJournal(text + "old x\n"));
    EXPECT_FALSE(ParseInstallJournal("quorvex-install 2\nend\n"));
    EXPECT_FALSE(ParseInstallJournal("quorvex-install 1\nmove a\nend\n"));
    EXPECT_FALSE(ParseInstallJournal("quorvex-install 1\nold \nend\n"));
}

}  // namespace
}  // namespace qvx::updater
