#include "app/main_module.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "base/text.h"

namespace qvx::app {

namespace {

constexpr long kNotStorable = 1;  // data of the wrong kind for the value type: nothing written

// Decimal text of a number: whole numbers without a fraction (33 -> "33"), others with up to
// 15 significant digits.
std::string NumberText(double number) {
    if (std::isfinite(number) && number == std::floor(number) && std::fabs(number) < 1e15) {
        char buffer[32];
        const auto [end, error] =
            std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(number));
        if (error == std::errc()) {
            return std::string(buffer, end);
        }
    }
    // Locale-independent: always a decimal point.
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 15);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c - 'A' + 10;
}

bool IsTextType(std::uint32_t type) {
    return type == reg_type::kString || type == reg_type::kExpandString ||
           type == reg_type::kMultiString;
}

}  // namespace

MainModule::MainModule(Registry& registry) : registry_(registry), codec_(nullptr) {}

MainModule::MainModule(Registry& registry, const AnsiCodec& codec)
    : registry_(registry), codec_(&codec) {}

std::string MainModule::ToAnsi(const std::string& utf8) const {
    return codec_ != nullptr ? codec_->ToAnsi(utf8) : utf8;
}

std::string MainModule::FromAnsi(std::string_view ansi) const {
    return codec_ != nullptr ? codec_->FromAnsi(ansi) : std::string(ansi);
}

void MainModule::CloseRegKey() {
    if (regKeyHandle_ != 0) {
        registry_.CloseKey(regKeyHandle_);
        regKeyHandle_ = 0;
    }
}

// Closes RegKeyHandle on every way out of an operation.
class MainModule::KeyGuard {
public:
    explicit KeyGuard(MainModule& module) : module_(module) {}
    ~KeyGuard() { module_.CloseRegKey(); }
    KeyGuard(const KeyGuard&) = delete;
    KeyGuard& operator=(const KeyGuard&) = delete;

private:
    MainModule& module_;
};

bool MainModule::WriteRegValue(std::uint32_t root, const std::string& keyPath,
                               const std::string& valueName, const RegData& data,
                               std::uint32_t valueType) {
    KeyGuard guard(*this);
    CloseRegKey();
    regStatus_ = registry_.CreateKey(root, ToAnsi(keyPath), regKeyHandle_);
    if (regStatus_ != reg_status::kSuccess) {
        regKeyHandle_ = 0;
        return false;
    }
    const std::string name = ToAnsi(valueName);
    if (IsTextType(valueType)) {
        std::string text;
        if (const auto* s = std::get_if<std::string>(&data)) {
            text = *s;
        } else if (const auto* n = std::get_if<double>(&data)) {
            text = NumberText(*n);
        } else {
            // A byte array has no text form.
            regStatus_ = kNotStorable;
            return false;
        }
        const std::string ansi = ToAnsi(text);
        std::vector<std::uint8_t> bytes(ansi.begin(), ansi.end());
        bytes.push_back(0);
        regStatus_ = registry_.SetValue(regKeyHandle_, name, valueType, bytes);
    } else if (valueType == reg_type::kBinary) {
        regStatus_ = kNotStorable;
        const auto* array = std::get_if<std::vector<int>>(&data);
        if (array == nullptr) {
            return false;
        }
        std::vector<std::uint8_t> bytes;
        bytes.reserve(array->size());
        for (int element : *array) {
            if (element < 0 || element > 255) {
                // Not a byte: refuse rather than store a wrapped value.
                return false;
            }
            bytes.push_back(static_cast<std::uint8_t>(element));
        }
        regStatus_ = registry_.SetValue(regKeyHandle_, name, valueType, bytes);
    } else if (valueType == reg_type::kDword) {
        const auto* number = std::get_if<double>(&data);
        if (number == nullptr) {
            regStatus_ = kNotStorable;
            return false;
        }
        // Written so that NaN is refused as well.
        if (!(*number >= 0.0 && *number <= 4294967295.0)) {
            regStatus_ = reg_status::kBadKey;
            return false;
        }
        // Low byte first: digit pairs 7-8, 5-6, 3-4, 1-2 of the hexadecimal text.
        const std::string hex = FormatHex8(*number);
        std::vector<std::uint8_t> bytes;
        for (int pair = 3; pair >= 0; --pair) {
            bytes.push_back(static_cast<std::uint8_t>(HexDigitValue(hex[pair * 2]) * 16 +
                                                      HexDigitValue(hex[pair * 2 + 1])));
        }
        regStatus_ = registry_.SetValue(regKeyHandle_, name, valueType, bytes);
    }
    // Any other type writes nothing and counts as done.
    return regStatus_ == reg_status::kSuccess;
}

std::string MainModule::ReadRegValue(std::uint32_t root, const std::string& keyPath,
                                     const std::string& valueName, std::uint32_t& valueType) {
    KeyGuard guard(*this);
    CloseRegKey();
    if (registry_.OpenKey(root, ToAnsi(keyPath), regKeyHandle_) != reg_status::kSuccess) {
        regKeyHandle_ = 0;
        return std::string();
    }
    std::uint32_t storedType = 0;
    std::vector<std::uint8_t> bytes;
    if (registry_.QueryValue(regKeyHandle_, ToAnsi(valueName), storedType, bytes) !=
        reg_status::kSuccess) {
        return std::string();
    }
    valueType = storedType;
    std::string text;
    if (IsTextType(storedType)) {
        std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const std::size_t nul = raw.find('\0');
        if (nul != std::string_view::npos) {
            raw = raw.substr(0, nul);
        }
        text = FromAnsi(raw);
    } else if (storedType == reg_type::kBinary) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        text.reserve(bytes.size() * 3);
        for (std::uint8_t b : bytes) {
            text.push_back(kHex[b >> 4]);
            text.push_back(kHex[b & 0x0F]);
            text.push_back(' ');
        }
    } else if (storedType == reg_type::kDword && !bytes.empty()) {
        // Little-endian; a shorter value than four bytes reads with zero high bytes.
        std::uint32_t number = 0;
        for (std::size_t i = 0; i < bytes.size() && i < 4; ++i) {
            number |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
        }
        text = std::to_string(number);
    }
    return base::TrimSpaces(text);
}

std::string MainModule::ReadRegValue(std::uint32_t root, const std::string& keyPath,
                                     const std::string& valueName) {
    std::uint32_t valueType = reg_type::kString;
    return ReadRegValue(root, keyPath, valueName, valueType);
}

bool MainModule::DeleteRegEntry(std::uint32_t root, const std::string& keyPath,
                                const std::string& valueName) {
    KeyGuard guard(*this);
    CloseRegKey();
    const std::string path = ToAnsi(keyPath);
    regStatus_ = registry_.OpenKey(root, path, regKeyHandle_);
    if (regStatus_ != reg_status::kSuccess) {
        regKeyHandle_ = 0;
        return false;
    }
    if (!valueName.empty()) {
        regStatus_ = registry_.DeleteValue(regKeyHandle_, ToAnsi(valueName));
        return regStatus_ == reg_status::kSuccess;
    }
    // The key itself goes through its parent. A backslash in first place does not split the path.
    std::string parent;
    std::string child = path;
    const std::size_t last = path.rfind('\\');
    if (last != std::string::npos && last > 0) {
        parent = path.substr(0, last);
        child = path.substr(last + 1);
    }
    // One key open at a time: the key itself is closed before its parent is opened.
    CloseRegKey();
    regStatus_ = registry_.OpenKey(root, parent, regKeyHandle_);
    if (regStatus_ != reg_status::kSuccess) {
        regKeyHandle_ = 0;
        return false;
    }
    regStatus_ = registry_.DeleteKey(regKeyHandle_, child);
    return regStatus_ == reg_status::kSuccess;
}

std::string MainModule::FormatHex8(double number) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text(8, '0');
    if (!std::isfinite(number)) {
        return text;
    }
    double x = std::floor(number);
    for (int place = 7; place >= 0; --place) {
        const double digit = x - 16.0 * std::floor(x / 16.0);
        text[place] = kHex[static_cast<int>(digit) & 0x0F];
        x = std::floor(x / 16.0);
    }
    return text;
}

}  // namespace qvx::app
