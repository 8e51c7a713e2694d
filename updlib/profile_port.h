#pragma once

#include <cstdint>
#include <string>

namespace qvx::updlib {

// The platform's private-profile routines. All texts are bytes in the system ANSI code page.
class ProfileFile {
public:
    virtual ~ProfileFile() = default;

    // As GetPrivateProfileStringA with a key name: copies the value, or `def` when the file,
    // section or key is missing, into `buffer`, cut to at most size - 1 bytes and ended by a NUL.
    // Returns the number of bytes copied, the NUL not counted. Nothing is written when size is 0.
    virtual std::uint32_t ReadString(const std::string& section, const std::string& key,
                                     const std::string& def, char* buffer, std::uint32_t size,
                                     const std::string& file) = 0;

    // As GetPrivateProfileIntA: the value's leading number, `def` when the key is missing.
    virtual std::uint32_t ReadInt(const std::string& section, const std::string& key,
                                  std::int32_t def, const std::string& file) = 0;

    // As WritePrivateProfileStringA: creates file, section and key as needed.
    virtual bool WriteString(const std::string& section, const std::string& key,
                             const std::string& value, const std::string& file) = 0;
};

}  // namespace qvx::updlib
