#pragma once

#include <map>
#include <set>
#include <string>

#include "updlib/profile_port.h"

namespace qvx::updlib::fakes {

// In-memory private-profile files that answer as the platform does: sections and keys found
// without regard to case (the first of a name wins), values trimmed, matching outer quotes
// stripped, a missing file, section or key (or a key line without "=") giving the default,
// texts cut to size - 1 bytes, integers read by their leading number ("0x" hexadecimal).
class FakeProfileFile : public ProfileFile {
public:
    void SetFile(const std::string& path, const std::string& text) { files_[path] = text; }
    void RemoveFile(const std::string& path) { files_.erase(path); }
    bool HasFile(const std::string& path) const { return files_.count(path) != 0; }
    // Writes to this path fail, as for a read-only file or a missing folder.
    void RefuseWrites(const std::string& path) { refused_.insert(path); }

    std::uint32_t ReadString(const std::string& section, const std::string& key,
                             const std::string& def, char* buffer, std::uint32_t size,
                             const std::string& file) override;
    std::uint32_t ReadInt(const std::string& section, const std::string& key, std::int32_t def,
                          const std::string& file) override;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) override;

    int writes = 0;

private:
    std::map<std::string, std::string> files_;
    std::set<std::string> refused_;
};

}  // namespace qvx::updlib::fakes
