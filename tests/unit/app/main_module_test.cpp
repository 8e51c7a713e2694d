#include "app/main_module.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fakes/fake_registry.h"

namespace qvx::app {
namespace {

using fakes::FakeRegistry;

constexpr std::uint32_t kHkcu = HKEY_CURRENT_USER_ROOT;
const std::string kKey = "Software\\quorvex";
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

using Bytes = std::vector<std::uint8_t>;

class MainModuleTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(registry.OpenHandleCount(), 0) << "a key handle leaked"; }

    FakeRegistry registry;
    MainModule module{registry};
};

TEST_F(MainModuleTest, StringWriteCreatesTheKeyAndStoresTextWithNul) {
    ASSERT_FALSE(registry.HasKey(kHkcu, kKey));
    EXPECT_TRUE(module.WriteRegValue(kHkcu, kKey, "SetHuYanValue", 33.0, 1));
    EXPECT_EQ(module.RegStatus(), 0);
    const auto stored = registry.Value(kHkcu, kKey, "SetHuYanValue");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, 1u);
    EXPECT_EQ(stored->bytes, (Bytes{'3', '3', 0}));
    EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, "SetHuYanValue"), "33");
}

TEST_F(MainModuleTest, WritesByType) {
    const struct {
        const char* name;
        RegData data;
        std::uint32_t type;
        Bytes bytes;
    } cases[] = {
        {"text",
         std::string("2026-01-31"),
         1,
         {'2', '0', '2', '6', '-', '0', '1', '-', '3', '1', 0}},
        {"expand", std::string("%TEMP%"), 2, {'%', 'T', 'E', 'M', 'P', '%', 0}},
        {"multi", std::string("a"), 7, {'a', 0}},
        {"empty", std::string(), 1, {0}},
        {"fraction", 1.5, 1, {'1', '.', '5', 0}},
        {"negative", -25.0, 1, {'-', '2', '5', 0}},
        {"third",
         1.0 / 3.0,
         1,
         {'0', '.', '3', '3', '3', '3', '3', '3', '3', '3', '3', '3', '3', '3', '3', '3', '3', 0}},
        {"binary", std::vector<int>{0x0A, 0xFF, 0x01}, 3, {0x0A, 0xFF, 0x01}},
        {"nobytes", std::vector<int>{}, 3, {}},
        {"dword", 305419896.0, 4, {0x78, 0x56, 0x34, 0x12}},
        {"dwordmax", 4294967295.0, 4, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"dwordzero", 0.0, 4, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(module.WriteRegValue(kHkcu, kKey, c.name, c.data, c.type));
        EXPECT_EQ(module.RegStatus(), 0);
        const auto stored = registry.Value(kHkcu, kKey, c.name);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->type, c.type);
        EXPECT_EQ(stored->bytes, c.bytes);
    }
}

TEST_F(MainModuleTest, RefusedWritesStoreNothing) {
    const struct {
        const char* name;
        RegData data;
        std::uint32_t type;
        long status;
    } cases[] = {
        {"minus", -1.0, 4, 1010},
        {"toolarge", 4294967296.0, 4, 1010},
        {"nan", std::nan(""), 4, 1010},
        {"textdword", std::string("12"), 4, 1},
        {"notarray", std::string("0A"), 3, 1},
        {"numberbinary", 10.0, 3, 1},
        {"notbyte", std::vector<int>{1, 256}, 3, 1},
        {"negativebyte", std::vector<int>{-1}, 3, 1},
        {"arraytext", std::vector<int>{65}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(module.WriteRegValue(kHkcu, kKey, c.name, c.data, c.type));
        EXPECT_EQ(module.RegStatus(), c.status);
        EXPECT_FALSE(registry.Value(kHkcu, kKey, c.name));
    }
}

TEST_F(MainModuleTest, UnknownTypeSucceedsAndStoresNothing) {
    for (std::uint32_t type : {0u, 5u, 6u, 11u}) {
        EXPECT_TRUE(module.WriteRegValue(kHkcu, kKey, "other", 7.0, type)) << type;
        EXPECT_EQ(module.RegStatus(), 0);
    }
    EXPECT_TRUE(registry.HasKey(kHkcu, kKey));  // the key is still created
    EXPECT_TRUE(registry.ValueNames(kHkcu, kKey).empty());
}

TEST_F(MainModuleTest, RefusedCreateOrWriteReportsFalse) {
    registry.RefuseCreate(kHkcu, "Software\\Locked");
    EXPECT_FALSE(module.WriteRegValue(kHkcu, "Software\\Locked", "v", std::string("1"), 1));
    EXPECT_EQ(module.RegStatus(), 5);
    EXPECT_FALSE(registry.HasKey(kHkcu, "Software\\Locked"));

    registry.RefuseWrite(kHkcu, kRun, "quorvex");
    EXPECT_FALSE(module.WriteRegValue(kHkcu, kRun, "quorvex", std::string("C:\\q.exe"), 1));
    EXPECT_EQ(module.RegStatus(), 5);
    EXPECT_FALSE(registry.Value(kHkcu, kRun, "quorvex"));
    // TearDown checks that both paths closed their key.
}

TEST_F(MainModuleTest, ReadsByType) {
    const struct {
        const char* name;
        std::uint32_t type;
        Bytes bytes;
        std::string text;
    } cases[] = {
        {"spaces", 1, {' ', '1', '2', ' ', 0}, "12"},
        {"tab", 1, {'\t', '1', 0}, "\t1"},  // only spaces are trimmed
        {"nonul", 1, {'4', '1'}, "41"},
        {"afternul", 1, {'7', 0, '8', 0}, "7"},
        {"expand", 2, {'%', 'A', '%', 0}, "%A%"},
        {"multi", 7, {'a', 0, 'b', 0, 0}, "a"},
        {"binary", 3, {0x0A, 0xFF, 0x01}, "0A FF 01"},
        {"dword", 4, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
        {"dword2", 4, {0x78, 0x56, 0x34, 0x12}, "305419896"},
        {"emptytext", 1, {}, ""},
        {"emptybinary", 3, {}, ""},
        {"emptydword", 4, {}, ""},
        {"qword", 11, {1, 0, 0, 0, 0, 0, 0, 0}, ""},
        {"none", 0, {'x'}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        registry.Put(kHkcu, kKey, c.name, c.type, c.bytes);
        std::uint32_t type = 1;
        EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, c.name, type), c.text);
        EXPECT_EQ(type, c.type);
    }
}

TEST_F(MainModuleTest, MissingKeyOrValueReadsEmptyAndKeepsTheType) {
    registry.PutString(kHkcu, kKey, "ZNHY", "1");
    const struct {
        std::string key;
        std::string value;
    } cases[] = {{kKey, "PLTX"}, {"Software\\absent", "ZNHY"}, {"", "ZNHY"}};
    for (const auto& c : cases) {
        std::uint32_t type = 42;
        EXPECT_EQ(module.ReadRegValue(kHkcu, c.key, c.value, type), "") << c.key << "/" << c.value;
        EXPECT_EQ(type, 42u);
    }
}

TEST_F(MainModuleTest, ReadDoesNotChangeTheStatus) {
    EXPECT_FALSE(module.WriteRegValue(kHkcu, kKey, "v", -1.0, 4));
    EXPECT_EQ(module.ReadRegValue(kHkcu, "Software\\absent", "v"), "");
    EXPECT_EQ(module.RegStatus(), 1010);
}

TEST_F(MainModuleTest, KeysAndValueNamesAreCaseInsensitive) {
    ASSERT_TRUE(module.WriteRegValue(kHkcu, "SOFTWARE\\Quorvex", "znhy", std::string("0"), 1));
    EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, "ZNHY"), "0");
    EXPECT_EQ(registry.ValueNames(kHkcu, kKey), std::vector<std::string>{"znhy"});
}

TEST_F(MainModuleTest, ValuesLongerThanTheOldBufferReadWhole) {
    for (std::size_t length : {1022u, 1023u, 1024u, 5000u, 70000u}) {
        std::string text(length, 'x');
        text.back() = 'y';
        ASSERT_TRUE(module.WriteRegValue(kHkcu, kKey, "long", text, 1));
        EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, "long"), text) << length;
    }
    std::vector<int> many(1500, 0xAB);
    ASSERT_TRUE(module.WriteRegValue(kHkcu, kKey, "bytes", many, 3));
    std::string expected;
    for (std::size_t i = 0; i < many.size(); ++i) {
        expected += i + 1 < many.size() ? "AB " : "AB";
    }
    EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, "bytes"), expected);
}

TEST_F(MainModuleTest, DeleteValueRemovesOnlyThatValue) {
    registry.PutString(kHkcu, kRun, "quorvex", "C:\\q\\quorvex.exe");
    registry.PutString(kHkcu, kRun, "other", "x");
    EXPECT_TRUE(module.DeleteRegEntry(kHkcu, kRun, "quorvex"));
    EXPECT_EQ(module.RegStatus(), 0);
    EXPECT_FALSE(registry.Value(kHkcu, kRun, "quorvex"));
    EXPECT_TRUE(registry.Value(kHkcu, kRun, "other"));

    EXPECT_FALSE(module.DeleteRegEntry(kHkcu, kRun, "quorvex"));  // already absent
    EXPECT_EQ(module.RegStatus(), 2);
    EXPECT_FALSE(module.DeleteRegEntry(kHkcu, "Software\\absent", "quorvex"));
    EXPECT_EQ(module.RegStatus(), 2);

    registry.RefuseDelete(kHkcu, kRun, "other");
    EXPECT_FALSE(module.DeleteRegEntry(kHkcu, kRun, "other"));
    EXPECT_EQ(module.RegStatus(), 5);
    EXPECT_TRUE(registry.Value(kHkcu, kRun, "other"));
}

TEST_F(MainModuleTest, DeleteKeyGoesThroughItsParent) {
    const struct {
        std::string path;      // key to delete
        std::string survivor;  // key that must remain
    } cases[] = {
        {"Software\\QuorvexTest\\Child", "Software\\QuorvexTest"},
        {"TopLevel", "Software"},  // no backslash: the parent is the root
        {"Software\\A\\B\\C", "Software\\A\\B"},
    };
    for (const auto& c : cases) {
        registry.PutString(kHkcu, c.path, "v", "1");
        registry.PutString(kHkcu, c.survivor, "keep", "1");
        EXPECT_TRUE(module.DeleteRegEntry(kHkcu, c.path, "")) << c.path;
        EXPECT_EQ(module.RegStatus(), 0);
        EXPECT_FALSE(registry.HasKey(kHkcu, c.path)) << c.path;
        EXPECT_TRUE(registry.HasKey(kHkcu, c.survivor)) << c.path;
    }
}

TEST_F(MainModuleTest, DeleteKeyFailures) {
    registry.PutString(kHkcu, "Software\\Q\\Sub", "v", "1");
    // A key with sub-keys is not deleted.
    EXPECT_FALSE(module.DeleteRegEntry(kHkcu, "Software\\Q", ""));
    EXPECT_EQ(module.RegStatus(), 5);
    EXPECT_TRUE(registry.HasKey(kHkcu, "Software\\Q\\Sub"));
    // A missing key.
    EXPECT_FALSE(module.DeleteRegEntry(kHkcu, "Software\\Q\\Absent", ""));
    EXPECT_EQ(module.RegStatus(), 2);
    // A refused delete.
    registry.RefuseDelete(kHkcu, "Software\\Q\\Sub", "");
    EXPECT_FALSE(module.DeleteRegEntry(kHkcu, "Software\\Q\\Sub", ""));
    EXPECT_EQ(module.RegStatus(), 5);
    EXPECT_TRUE(registry.HasKey(kHkcu, "Software\\Q\\Sub"));
    // The parent cannot be opened.
    registry.PutString(kHkcu, "Software\\P\\Sub", "v", "1");
    registry.RefuseOpen(kHkcu, "Software\\P");
    EXPECT_FALSE(module.DeleteRegEntry(kHkcu, "Software\\P\\Sub", ""));
    EXPECT_EQ(module.RegStatus(), 5);
    EXPECT_TRUE(registry.HasKey(kHkcu, "Software\\P\\Sub"));
}

TEST_F(MainModuleTest, FormatHex8) {
    const struct {
        double number;
        const char* text;
    } cases[] = {
        {0, "00000000"},
        {255, "000000FF"},
        {305419896, "12345678"},
        {4294967295.0, "FFFFFFFF"},
        {4294967296.0, "00000000"},
        {0x1ABCDEF01, "ABCDEF01"},
        {-1, "FFFFFFFF"},
        {10.9, "0000000A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MainModule::FormatHex8(c.number), c.text) << c.number;
    }
}

// Texts are handed to the registry in the ANSI code page and read back from it.
class TaggingCodec final : public AnsiCodec {
public:
    std::string ToAnsi(std::string_view utf8) const override {
        return utf8 == "\xE4\xB8\xAD" ? std::string("\xD6\xD0") : std::string(utf8);
    }
    std::string FromAnsi(std::string_view ansi) const override {
        return ansi == "\xD6\xD0" ? std::string("\xE4\xB8\xAD") : std::string(ansi);
    }
};

TEST(MainModuleCodecTest, TextsCrossTheRegistryInTheAnsiCodePage) {
    FakeRegistry registry;
    TaggingCodec codec;
    MainModule module(registry, codec);
    const std::string zhong = "\xE4\xB8\xAD";  // UTF-8 of the character for "middle"
    ASSERT_TRUE(module.WriteRegValue(kHkcu, kKey, zhong, zhong, 1));
    const auto stored = registry.Value(kHkcu, kKey, "\xD6\xD0");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->bytes, (Bytes{0xD6, 0xD0, 0}));
    EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, zhong), zhong);
    EXPECT_EQ(registry.OpenHandleCount(), 0);
}

}  // namespace
}  // namespace qvx::app
