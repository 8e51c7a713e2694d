#include "base/log.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace qvx::base {
namespace {

class RecordingLog : public Log {
public:
    void Write(std::string_view where, std::string_view what) noexcept override {
        lines.push_back(std::string(where) + ": " + std::string(what));
    }
    std::vector<std::string> lines;
};

TEST(LogTest, TheExceptionBeingHandledIsWrittenWithItsPlace) {
    RecordingLog log;
    try {
        throw std::runtime_error("registry value too long");
    } catch (...) {
        LogCurrentException(log, "main window handler");
    }
    try {
        throw 42;
    } catch (...) {
        LogCurrentException(log, "reminder window message 0x0202");
    }
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{
                  "main window handler: registry value too long",
                  "reminder window message 0x0202: an exception that is no std::exception",
              }));
}

}  // namespace
}  // namespace qvx::base
