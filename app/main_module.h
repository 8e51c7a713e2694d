#pragma once
// MainModule: the main program's one gateway to the registry. Every operation opens one key,
// uses it and closes it again; failures come back as results, never as messages.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "app/registry_port.h"

namespace qvx::app {

constexpr std::uint32_t HKEY_CURRENT_USER_ROOT = 0x80000001;

// Data of a write: text, a number, or a byte array (lower bound 0).
using RegData = std::variant<std::string, double, std::vector<int>>;

class MainModule {
public:
    // Texts pass to the registry unchanged (the in-memory registry of the tests).
    explicit MainModule(Registry& registry);
    // Texts are converted between UTF-8 and the ANSI code page by codec (the real registry).
    MainModule(Registry& registry, const AnsiCodec& codec);

    MainModule(const MainModule&) = delete;
    MainModule& operator=(const MainModule&) = delete;

    // Creates or opens keyPath and writes the value as valueType (1, 2, 7 text; 3 bytes;
    // 4 unsigned 32-bit number; other types write nothing). True when the key was created or
    // opened and the value written.
    bool WriteRegValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                       const RegData& data, std::uint32_t valueType);
    // The value as text without surrounding spaces; empty text when the key or value is missing
    // (valueType then keeps what the caller passed) or empty. valueType receives the stored type.
    std::string ReadRegValue(std::uint32_t root, const std::string& keyPath,
                             const std::string& valueName, std::uint32_t& valueType);
    // The same, for callers that read string values and ignore the type.
    std::string ReadRegValue(std::uint32_t root, const std::string& keyPath,
                             const std::string& valueName);
    // Deletes the value valueName of keyPath, or the key keyPath itself when valueName is empty.
    bool DeleteRegEntry(std::uint32_t root, const std::string& keyPath,
                        const std::string& valueName);

    // Low eight hexadecimal digits of number, upper case, zero-padded (255 -> "000000FF").
    static std::string FormatHex8(double number);

    // Status code of the last registry call made by a write or delete (0 = success).
    long RegStatus() const { return regStatus_; }

private:
    class KeyGuard;

    std::string ToAnsi(const std::string& utf8) const;
    std::string FromAnsi(std::string_view ansi) const;
    void CloseRegKey();

    Registry& registry_;
    const AnsiCodec* codec_;           // null: texts pass unchanged
    std::uintptr_t regKeyHandle_ = 0;  // RegKeyHandle: the one key open during an operation
    long regStatus_ = 0;               // RegStatus
};

}  // namespace qvx::app
