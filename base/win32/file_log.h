#pragma once
// The log of a program: each line to the debugger output and to a file under the user's local
// application data. The file is bounded: once a line would take it past its size, it becomes
// <name>.old.log (replacing the previous one) and a new file begins.

#include <cstddef>
#include <mutex>
#include <string>

#include "base/log.h"

namespace qvx::base::win32 {

class FileLog final : public Log {
public:
    static constexpr std::size_t kDefaultMaxBytes = 256 * 1024;

    // Lines go to <folder>\<name>.log; the folder is made when missing.
    FileLog(std::wstring folder, const std::wstring& name, std::size_t maxBytes = kDefaultMaxBytes);
    void Write(std::string_view where, std::string_view what) noexcept override;

    const std::wstring& Path() const { return path_; }
    const std::wstring& OldPath() const { return oldPath_; }

private:
    void Append(const std::string& line);

    std::mutex mutex_;
    std::wstring folder_;
    std::wstring path_;
    std::wstring oldPath_;
    std::size_t maxBytes_;
};

// The folder of the product's logs: <local application data>\Quorvex; empty when the system
// cannot name it (the log then goes to the debugger output only).
std::wstring ProgramLogFolder();

}  // namespace qvx::base::win32
