#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace qvx::updater {

// A file being written; closed when Close() is called or when it is destroyed.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    // Writes all size bytes in one operation; false when they could not all be written.
    virtual bool Write(const char* data, std::size_t size) = 0;
    // Flushes and closes; false when the data could not be committed.
    virtual bool Close() = 0;
};

// The local file operations of the download class. Paths are in the system code page.
class FilePort {
public:
    virtual ~FilePort() = default;
    // True when an ordinary file of that name is found.
    virtual bool Exists(const std::string& path) = 0;
    // Creates a new file for raw bytes; never opens or truncates one that already exists.
    // Null when the file cannot be created.
    virtual std::unique_ptr<OutputFile> CreateNew(const std::string& path) = 0;
    virtual bool Remove(const std::string& path) = 0;
};

}  // namespace qvx::updater
