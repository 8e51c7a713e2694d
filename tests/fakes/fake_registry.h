#pragma once
// An in-memory registry that behaves like the Windows one as the gateway sees it: key and value
// names case-insensitive, Win32 status codes, types and bytes kept as written, sub-keys block a
// key delete. Faults can be scripted per key or value (status 5), and open handles are counted so
// tests can check that none leaks.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/registry_port.h"

namespace qvx::fakes {

class FakeRegistry final : public app::Registry {
public:
    struct StoredValue {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
    };

    FakeRegistry();
    ~FakeRegistry() override;

    long CreateKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) override;
    long OpenKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) override;
    long SetValue(std::uintptr_t key, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& bytes) override;
    long QueryValue(std::uintptr_t key, const std::string& name, std::uint32_t& type,
                    std::vector<std::uint8_t>& bytes) override;
    long DeleteValue(std::uintptr_t key, const std::string& name) override;
    long DeleteKey(std::uintptr_t key, const std::string& subKey) override;
    long CloseKey(std::uintptr_t key) override;

    // Scripted faults, each answered with 5 (access denied).
    void RefuseCreate(std::uint32_t root, const std::string& path);  // create/open for writing
    void RefuseOpen(std::uint32_t root, const std::string& path);    // RegOpenKeyExA of the key
    void RefuseWrite(std::uint32_t root, const std::string& path, const std::string& valueName);
    // valueName empty: refuse deleting the key path itself.
    void RefuseDelete(std::uint32_t root, const std::string& path, const std::string& valueName);

    // Inspection and set-up, bypassing handles and faults.
    bool HasKey(std::uint32_t root, const std::string& path) const;
    std::optional<StoredValue> Value(std::uint32_t root, const std::string& path,
                                     const std::string& valueName) const;
    // The bytes of a string value up to its NUL; nullopt when missing or not a string type.
    std::optional<std::string> StringValue(std::uint32_t root, const std::string& path,
                                           const std::string& valueName) const;
    // Stores a value, creating the key path as needed.
    void Put(std::uint32_t root, const std::string& path, const std::string& valueName,
             std::uint32_t type, std::vector<std::uint8_t> bytes);
    // Stores a REG_SZ value: the text's bytes and one NUL.
    void PutString(std::uint32_t root, const std::string& path, const std::string& valueName,
                   const std::string& text);
    // Names of the values of a key (as first written), sorted case-insensitively.
    std::vector<std::string> ValueNames(std::uint32_t root, const std::string& path) const;

    int OpenHandleCount() const;
    int CallCount() const { return callCount_; }  // every port call, CloseKey included

private:
    struct Key;
    struct Handle;
    Key* Find(std::uint32_t root, const std::string& path) const;
    Key* Lookup(std::uintptr_t key);
    Key* EnsureKey(std::uint32_t root, const std::string& path);

    std::map<std::uint32_t, std::unique_ptr<Key>> roots_;
    std::map<std::uintptr_t, std::unique_ptr<Handle>> handles_;
    std::uintptr_t nextHandle_ = 0x1000;
    std::set<std::string> refusedCreate_, refusedOpen_, refusedWrite_, refusedDelete_;
    int callCount_ = 0;
};

}  // namespace qvx::fakes
