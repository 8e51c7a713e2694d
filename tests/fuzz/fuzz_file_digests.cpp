// [FileHash] / [FileSize] reading on any bytes: every entry it returns is a whole one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "updater/signed_update.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto digests =
        qvx::updater::ReadFileDigests(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const auto& [name, print] : digests) {
        if (name.empty() || print.sha256.size() != 64) {
            std::abort();
        }
        for (char c : print.sha256) {
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
                std::abort();
            }
        }
    }
    return 0;
}
