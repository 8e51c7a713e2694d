#pragma once
// The advapi32 calls the registry gateway makes, one method per call, with the platform's status
// codes. Strings crossing this port are bytes in the system's ANSI code page. The Win32 adapter
// is in app/win32/registry_adapter.h, the in-memory fake in tests/fakes/fake_registry.h.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qvx::app {

// Win32 status codes the gateway and its callers see.
namespace reg_status {
constexpr long kSuccess = 0;
constexpr long kFileNotFound = 2;  // missing key or value
constexpr long kAccessDenied = 5;
constexpr long kInvalidHandle = 6;
constexpr long kInvalidParameter = 87;
constexpr long kMoreData = 234;
constexpr long kBadKey = 1010;  // also the gateway's refusal of an out-of-range number
constexpr long kKeyDeleted = 1018;
}  // namespace reg_status

// Registry value types.
namespace reg_type {
constexpr std::uint32_t kString = 1;
constexpr std::uint32_t kExpandString = 2;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;
constexpr std::uint32_t kMultiString = 7;
}  // namespace reg_type

class Registry {
public:
    virtual ~Registry() = default;
    // RegCreateKeyExA: non-volatile, access 0x2003F, default security, inheritable handle.
    virtual long CreateKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) = 0;
    // RegOpenKeyExA with access 0x2003F; an empty path opens the root itself.
    virtual long OpenKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) = 0;
    // RegSetValueExA.
    virtual long SetValue(std::uintptr_t key, const std::string& name, std::uint32_t type,
                          const std::vector<std::uint8_t>& bytes) = 0;
    // RegQueryValueExA, reading the whole value whatever its length (re-queried on 234).
    virtual long QueryValue(std::uintptr_t key, const std::string& name, std::uint32_t& type,
                            std::vector<std::uint8_t>& bytes) = 0;
    // RegDeleteValueA.
    virtual long DeleteValue(std::uintptr_t key, const std::string& name) = 0;
    // RegDeleteKeyA: the sub-key subKey of key (which must have no sub-keys of its own).
    virtual long DeleteKey(std::uintptr_t key, const std::string& subKey) = 0;
    // RegCloseKey.
    virtual long CloseKey(std::uintptr_t key) = 0;
};

// UTF-8 text of the program <-> bytes in the system's ANSI code page.
class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;
    virtual std::string ToAnsi(std::string_view utf8) const = 0;
    virtual std::string FromAnsi(std::string_view ansi) const = 0;
};

// Bytes pass unchanged: for the in-memory registry, where both sides are the program's own text.
class PassThroughAnsiCodec final : public AnsiCodec {
public:
    std::string ToAnsi(std::string_view utf8) const override { return std::string(utf8); }
    std::string FromAnsi(std::string_view ansi) const override { return std::string(ansi); }
};

}  // namespace qvx::app
