// The signature file and the install journal on any bytes: a signature passes only as the
// exact 64 bytes, and a journal read back writes out to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "updater/file_install.h"
#include "updater/signed_update.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto signature = qvx::updater::ParseSignatureFile(bytes);
    if (signature && (signature->size() != qvx::updater::kSignatureBytes || *signature != bytes)) {
        std::abort();
    }
    const auto journal = qvx::updater::ParseInstallJournal(bytes);
    if (journal && qvx::updater::FormatInstallJournal(*journal) != bytes) {
        std::abort();
    }
    return 0;
}
