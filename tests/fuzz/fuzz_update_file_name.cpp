// The update list's name check on any bytes: a name it passes never leaves the folder, never
// names a device, and its address holds only URL-safe characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "updater/update_file_name.h"

namespace {

// A double-byte code page in the manner of GBK: a lead byte 0x81-0xFE takes the next byte.
class DoubleByteCodec : public qvx::updlib::TextCodec {
public:
    std::u16string AnsiToWide(const std::string& ansi) override {
        std::u16string wide;
        for (std::size_t i = 0; i < ansi.size(); ++i) {
            const auto b = static_cast<unsigned char>(ansi[i]);
            if (b >= 0x81 && b <= 0xFE && i + 1 < ansi.size()) {
                wide += static_cast<char16_t>(0x4E00 + (b - 0x81) * 256 +
                                              static_cast<unsigned char>(ansi[++i]));
            } else {
                wide += static_cast<char16_t>(b < 0x80 ? b : 0xF700 + b);
            }
        }
        return wide;
    }
    std::string WideToAnsi(const std::u16string& wide) override {
        std::string ansi;
        for (char16_t c : wide) {
            if (c >= 0x4E00 && c < 0x4E00 + 0x7E * 256) {
                ansi += static_cast<char>(0x81 + (c - 0x4E00) / 256);
                ansi += static_cast<char>((c - 0x4E00) % 256);
            } else {
                ansi += static_cast<char>(c >= 0xF700 ? c - 0xF700 : c);
            }
        }
        return ansi;
    }
    std::string Utf8ToAnsi(const std::string& utf8) override { return utf8; }
};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DoubleByteCodec codec;
    const std::string name(reinterpret_cast<const char*>(data), size);
    const qvx::updater::UpdateFileName checked = qvx::updater::CheckUpdateFileName(name, codec);
    if (!checked.safe) {
        return 0;
    }
    const std::u16string local = codec.AnsiToWide(checked.localPath);
    Check(!local.empty() && local.front() != u'\\' && local.back() != u'\\');
    Check(local.find(u"..") == std::u16string::npos);
    Check(local.find(u':') == std::u16string::npos && local.find(u'/') == std::u16string::npos);
    for (char c : checked.urlPath) {
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                          c == '%' || c == '/';
        Check(safe);
    }
    Check(checked.folderPart.empty() || checked.localPath.rfind(checked.folderPart, 0) == 0);
    return 0;
}
