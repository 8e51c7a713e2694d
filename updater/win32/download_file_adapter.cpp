#include "updater/win32/download_file_adapter.h"

#include <windows.h>

namespace qvx::updater::win32 {
namespace {

class Win32OutputFile : public OutputFile {
public:
    explicit Win32OutputFile(HANDLE file) : file_(file) {}
    ~Win32OutputFile() override { Close(); }
    Win32OutputFile(const Win32OutputFile&) = delete;
    Win32OutputFile& operator=(const Win32OutputFile&) = delete;

    bool Write(const char* data, std::size_t size) override {
        while (size > 0 && file_ != INVALID_HANDLE_VALUE) {
            const DWORD piece = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!::WriteFile(file_, data, piece, &written, nullptr) || written == 0) {
                return false;
            }
            data += written;
            size -= written;
        }
        return size == 0;
    }

    bool Close() override {
        if (file_ == INVALID_HANDLE_VALUE) {
            return false;
        }
        const BOOL ok = ::CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE file_;
};

}  // namespace

bool DownloadFileAdapter::Exists(const std::string& path) {
    // A directory search for the name, as a file-name test does it: folders do not count.
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::unique_ptr<OutputFile> DownloadFileAdapter::CreateNew(const std::string& path) {
    // CREATE_NEW: a file that appeared since the test is still never overwritten.
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<Win32OutputFile>(file);
}

bool DownloadFileAdapter::Remove(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != FALSE;
}

}  // namespace qvx::updater::win32
