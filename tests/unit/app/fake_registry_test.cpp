// The in-memory registry answers as the real one does where the gateway can tell (the Wine suite
// checks the same codes against the real registry).

#include "tests/fakes/fake_registry.h"

#include <gtest/gtest.h>

namespace qvx::app {
namespace {

using fakes::FakeRegistry;

constexpr std::uint32_t kHkcu = 0x80000001;

TEST(FakeRegistryTest, HandlesOfADeletedKeyAndUnknownHandles) {
    FakeRegistry registry;
    registry.PutString(kHkcu, "Software\\A\\B", "v", "1");
    std::uintptr_t child = 0;
    std::uintptr_t parent = 0;
    ASSERT_EQ(registry.OpenKey(kHkcu, "software\\a\\b", child), 0);
    ASSERT_EQ(registry.OpenKey(kHkcu, "Software\\A", parent), 0);
    EXPECT_EQ(registry.DeleteKey(parent, "b"), 0);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(registry.QueryValue(child, "v", type, bytes), reg_status::kKeyDeleted);
    EXPECT_EQ(registry.SetValue(child, "v", 1, {}), reg_status::kKeyDeleted);
    EXPECT_EQ(registry.OpenHandleCount(), 2);
    EXPECT_EQ(registry.CloseKey(child), 0);
    EXPECT_EQ(registry.CloseKey(child), reg_status::kInvalidHandle);
    EXPECT_EQ(registry.CloseKey(parent), 0);
    EXPECT_EQ(registry.OpenHandleCount(), 0);
    EXPECT_EQ(registry.QueryValue(parent, "v", type, bytes), reg_status::kInvalidHandle);
}

TEST(FakeRegistryTest, PathsAndNames) {
    FakeRegistry registry;
    std::uintptr_t key = 0;
    EXPECT_EQ(registry.OpenKey(kHkcu, "", key), 0);  // the root always opens
    EXPECT_EQ(registry.CloseKey(key), 0);
    EXPECT_EQ(registry.OpenKey(kHkcu, "Software\\absent", key), reg_status::kFileNotFound);
    EXPECT_EQ(registry.CreateKey(kHkcu, "Software\\\\double", key), reg_status::kInvalidParameter);
    ASSERT_EQ(registry.CreateKey(kHkcu, "Software\\Quorvex\\", key), 0);  // trailing "\" ignored
    EXPECT_EQ(registry.SetValue(key, "ZNHY", 1, {'1', 0}), 0);
    EXPECT_EQ(registry.SetValue(key, "znhy", 1, {'0', 0}), 0);  // same value, name kept
    EXPECT_EQ(registry.CloseKey(key), 0);
    EXPECT_EQ(registry.ValueNames(kHkcu, "SOFTWARE\\QUORVEX"), std::vector<std::string>{"ZNHY"});
    EXPECT_EQ(registry.StringValue(kHkcu, "software\\quorvex", "Znhy"), "0");
    EXPECT_EQ(registry.OpenHandleCount(), 0);
}

}  // namespace
}  // namespace qvx::app
