// The registry gateway against the real registry, through the advapi32 adapter. Everything is
// written under HKCU\Software\QuorvexTest, which the fixture removes again.

#include <windows.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_module.h"
#include "app/win32/registry_adapter.h"

namespace qvx::app::win32 {
namespace {

constexpr std::uint32_t kHkcu = HKEY_CURRENT_USER_ROOT;
const std::string kTestKey = "Software\\QuorvexTest";
const std::string kKey = "Software\\QuorvexTest\\quorvex";
const std::string kTopKey = "QuorvexTestTop";  // directly under the root

using Bytes = std::vector<std::uint8_t>;

// Forwards to the real registry and counts the handles opened and closed.
class CountingRegistry final : public Registry {
public:
    explicit CountingRegistry(Registry& inner) : inner_(inner) {}
    long CreateKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) override {
        const long status = inner_.CreateKey(root, path, key);
        opened += status == 0;
        return status;
    }
    long OpenKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) override {
        const long status = inner_.OpenKey(root, path, key);
        opened += status == 0;
        return status;
    }
    long SetValue(std::uintptr_t key, const std::string& name, std::uint32_t type,
                  const Bytes& bytes) override {
        return inner_.SetValue(key, name, type, bytes);
    }
    long QueryValue(std::uintptr_t key, const std::string& name, std::uint32_t& type,
                    Bytes& bytes) override {
        return inner_.QueryValue(key, name, type, bytes);
    }
    long DeleteValue(std::uintptr_t key, const std::string& name) override {
        return inner_.DeleteValue(key, name);
    }
    long DeleteKey(std::uintptr_t key, const std::string& subKey) override {
        return inner_.DeleteKey(key, subKey);
    }
    long CloseKey(std::uintptr_t key) override {
        const long status = inner_.CloseKey(key);
        closed += status == 0;
        return status;
    }
    int opened = 0;
    int closed = 0;

private:
    Registry& inner_;
};

// Type and bytes of a value as RegQueryValueExA sees them, independent of the gateway.
struct RawValue {
    LONG status = 0;
    DWORD type = 0;
    Bytes bytes;
};

RawValue ReadRaw(const std::string& key, const std::string& name) {
    RawValue raw;
    HKEY handle = nullptr;
    raw.status = RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle);
    if (raw.status != ERROR_SUCCESS) {
        return raw;
    }
    DWORD size = 0;
    raw.status = RegQueryValueExA(handle, name.c_str(), nullptr, &raw.type, nullptr, &size);
    if (raw.status == ERROR_SUCCESS) {
        raw.bytes.resize(size);
        raw.status = RegQueryValueExA(handle, name.c_str(), nullptr, &raw.type,
                                      raw.bytes.empty() ? nullptr : raw.bytes.data(), &size);
        raw.bytes.resize(size);
    }
    RegCloseKey(handle);
    return raw;
}

void WriteRaw(const std::string& key, const std::string& name, DWORD type, const Bytes& bytes) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(handle, name.c_str(), 0, type, bytes.data(),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(handle);
}

bool KeyExists(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

class RegistryGatewayTest : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey.c_str());
        ASSERT_FALSE(KeyExists(kTestKey));
    }
    void TearDown() override {
        EXPECT_EQ(counting.opened, counting.closed) << "a key handle leaked";
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, kTopKey.c_str());
        EXPECT_FALSE(KeyExists(kTestKey));
    }

    std::unique_ptr<Registry> real = MakeWin32Registry();
    std::unique_ptr<AnsiCodec> codec = MakeWin32AnsiCodec();
    CountingRegistry counting{*real};
    MainModule module{counting, *codec};
};

TEST_F(RegistryGatewayTest, StringWriteCreatesTheKeyAndStoresTextWithNul) {
    EXPECT_TRUE(module.WriteRegValue(kHkcu, kKey, "SetHuYanValue", 33.0, 1));
    EXPECT_EQ(module.RegStatus(), 0);
    const RawValue raw = ReadRaw(kKey, "SetHuYanValue");
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.bytes, (Bytes{'3', '3', 0}));
    EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, "SetHuYanValue"), "33");
}

TEST_F(RegistryGatewayTest, WritesByType) {
    const struct {
        const char* name;
        RegData data;
        std::uint32_t type;
        Bytes bytes;
        std::string readBack;
    } cases[] = {
        {"text", std::string(" 12 "), 1, {' ', '1', '2', ' ', 0}, "12"},
        {"expand", std::string("%TEMP%"), 2, {'%', 'T', 'E', 'M', 'P', '%', 0}, "%TEMP%"},
        {"binary", std::vector<int>{0x0A, 0xFF, 0x01}, 3, {0x0A, 0xFF, 0x01}, "0A FF 01"},
        {"dword", 305419896.0, 4, {0x78, 0x56, 0x34, 0x12}, "305419896"},
        {"dwordmax", 4294967295.0, 4, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(module.WriteRegValue(kHkcu, kKey, c.name, c.data, c.type));
        const RawValue raw = ReadRaw(kKey, c.name);
        ASSERT_EQ(raw.status, ERROR_SUCCESS);
        EXPECT_EQ(raw.type, c.type);
        EXPECT_EQ(raw.bytes, c.bytes);
        std::uint32_t type = 1;
        EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, c.name, type), c.readBack);
        EXPECT_EQ(type, c.type);
    }
}

TEST_F(RegistryGatewayTest, RefusedWritesStoreNothing) {
    const struct {
        const char* name;
        RegData data;
        std::uint32_t type;
        long status;
        bool accepted;
    } cases[] = {
        {"minus", -1.0, 4, 1010, false},
        {"nan", std::nan(""), 4, 1010, false},
        {"notarray", std::string("0A"), 3, 1, false},
        {"other", 5.0, 5, 0, true},  // an unknown type: nothing written, reported as done
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(module.WriteRegValue(kHkcu, kKey, c.name, c.data, c.type), c.accepted);
        EXPECT_EQ(module.RegStatus(), c.status);
        EXPECT_EQ(ReadRaw(kKey, c.name).status, ERROR_FILE_NOT_FOUND);
    }
}

TEST_F(RegistryGatewayTest, MissingKeyOrValueReadsEmptyAndKeepsTheType) {
    ASSERT_TRUE(module.WriteRegValue(kHkcu, kKey, "ZNHY", std::string("1"), 1));
    const struct {
        std::string key;
        std::string value;
    } cases[] = {{kKey, "PLTX"}, {kTestKey + "\\absent", "ZNHY"}};
    for (const auto& c : cases) {
        std::uint32_t type = 42;
        EXPECT_EQ(module.ReadRegValue(kHkcu, c.key, c.value, type), "") << c.key;
        EXPECT_EQ(type, 42u);
    }
    // Key and value names are case-insensitive, as everywhere in the registry.
    EXPECT_EQ(module.ReadRegValue(kHkcu, "SOFTWARE\\quorvextest\\QUORVEX", "znhy"), "1");
}

TEST_F(RegistryGatewayTest, ValueLongerThan1023BytesReadsWhole) {
    for (std::size_t length : {1023u, 1024u, 5000u}) {
        std::string text(length, 'x');
        text.back() = 'y';
        ASSERT_TRUE(module.WriteRegValue(kHkcu, kKey, "long", text, 1));
        EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, "long"), text) << length;
    }
    WriteRaw(kKey, "bytes", REG_BINARY, Bytes(2000, 0x5A));
    EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, "bytes").size(), 2000u * 3 - 1);
}

TEST_F(RegistryGatewayTest, DeleteValueAndKey) {
    ASSERT_TRUE(module.WriteRegValue(kHkcu, kKey, "quorvex", std::string("C:\\q.exe"), 1));
    ASSERT_TRUE(module.WriteRegValue(kHkcu, kKey, "other", std::string("x"), 1));
    EXPECT_TRUE(module.DeleteRegEntry(kHkcu, kKey, "quorvex"));
    EXPECT_EQ(ReadRaw(kKey, "quorvex").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadRaw(kKey, "other").status, ERROR_SUCCESS);
    EXPECT_FALSE(module.DeleteRegEntry(kHkcu, kKey, "quorvex"));
    EXPECT_EQ(module.RegStatus(), ERROR_FILE_NOT_FOUND);

    const std::string child = kKey + "\\Child";
    ASSERT_TRUE(module.WriteRegValue(kHkcu, child, "v", std::string("1"), 1));
    EXPECT_FALSE(module.DeleteRegEntry(kHkcu, kKey, ""));  // still has a sub-key
    EXPECT_EQ(module.RegStatus(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyExists(kKey));
    EXPECT_TRUE(module.DeleteRegEntry(kHkcu, child, ""));
    EXPECT_FALSE(KeyExists(child));
    EXPECT_TRUE(KeyExists(kKey));
    EXPECT_FALSE(module.DeleteRegEntry(kHkcu, child, ""));
    EXPECT_EQ(module.RegStatus(), ERROR_FILE_NOT_FOUND);
}

// A path without a backslash is deleted through the root itself.
TEST_F(RegistryGatewayTest, DeleteTopLevelKeyFromTheRoot) {
    const std::string top = kTopKey;
    ASSERT_TRUE(module.WriteRegValue(kHkcu, top, "v", std::string("1"), 1));
    ASSERT_TRUE(KeyExists(top));
    EXPECT_TRUE(module.DeleteRegEntry(kHkcu, top, ""));
    EXPECT_FALSE(KeyExists(top));
}

TEST_F(RegistryGatewayTest, ChineseTextSurvivesTheRoundTrip) {
    const std::string text = "开机启动设置不成功，请检查是否有足够的权限！";
    const std::string name = "中文";
    ASSERT_TRUE(module.WriteRegValue(kHkcu, kKey, name, text, 1));
    EXPECT_EQ(module.ReadRegValue(kHkcu, kKey, name), text);

    // The wide view of the registry holds the same characters.
    HKEY handle = nullptr;
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\QuorvexTest\\quorvex", 0, KEY_READ, &handle),
        ERROR_SUCCESS);
    wchar_t wide[256] = {};
    DWORD size = sizeof(wide);
    const LONG status = RegQueryValueExW(handle, L"\u4E2D\u6587", nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(wide), &size);
    RegCloseKey(handle);
    ASSERT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(wide).substr(0, 4), L"\u5F00\u673A\u542F\u52A8");

    // In the Chinese code page the stored ANSI bytes are GBK.
    if (GetACP() == 936) {
        const RawValue raw = ReadRaw(kKey, "\xD6\xD0\xCE\xC4");
        ASSERT_EQ(raw.status, ERROR_SUCCESS);
        ASSERT_GE(raw.bytes.size(), 4u);
        EXPECT_EQ(Bytes(raw.bytes.begin(), raw.bytes.begin() + 4), (Bytes{0xBF, 0xAA, 0xBB, 0xFA}));
    }
}

TEST_F(RegistryGatewayTest, UnknownRootIsRefused) {
    EXPECT_FALSE(module.WriteRegValue(0x12345678, kKey, "v", std::string("1"), 1));
    EXPECT_EQ(module.RegStatus(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(module.ReadRegValue(0x12345678, kKey, "v"), "");
}

}  // namespace
}  // namespace qvx::app::win32
