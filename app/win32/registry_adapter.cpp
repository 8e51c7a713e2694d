#include "app/win32/registry_adapter.h"

#include <windows.h>

#include "base/win32/text.h"

namespace qvx::app::win32 {

namespace {

constexpr REGSAM kFullAccess = 0x2003F;  // KEY_ALL_ACCESS

// A predefined root from its 32-bit value. On 64-bit Windows the predefined handles are the
// 32-bit values sign-extended (HKEY_CURRENT_USER is 0xFFFFFFFF80000001).
HKEY RootKey(std::uint32_t root) {
    if (root < 0x80000000u || root > 0x80000006u) {
        return nullptr;
    }
    return reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<std::int32_t>(root))));
}

HKEY AsKey(std::uintptr_t key) {
    return reinterpret_cast<HKEY>(key);
}

const BYTE* DataOf(const std::vector<std::uint8_t>& bytes) {
    static const BYTE kNothing = 0;
    return bytes.empty() ? &kNothing : bytes.data();
}

class Win32Registry final : public Registry {
public:
    long CreateKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) override {
        key = 0;
        HKEY rootKey = RootKey(root);
        if (rootKey == nullptr) {
            return ERROR_INVALID_HANDLE;
        }
        SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HKEY result = nullptr;
        DWORD disposition = 0;
        const LONG status =
            RegCreateKeyExA(rootKey, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kFullAccess,
                            &security, &result, &disposition);
        if (status == ERROR_SUCCESS) {
            key = reinterpret_cast<std::uintptr_t>(result);
        }
        return status;
    }

    long OpenKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) override {
        key = 0;
        HKEY rootKey = RootKey(root);
        if (rootKey == nullptr) {
            return ERROR_INVALID_HANDLE;
        }
        HKEY result = nullptr;
        const LONG status = RegOpenKeyExA(rootKey, path.c_str(), 0, kFullAccess, &result);
        if (status == ERROR_SUCCESS) {
            key = reinterpret_cast<std::uintptr_t>(result);
        }
        return status;
    }

    long SetValue(std::uintptr_t key, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& bytes) override {
        return RegSetValueExA(AsKey(key), name.c_str(), 0, type, DataOf(bytes),
                              static_cast<DWORD>(bytes.size()));
    }

    long QueryValue(std::uintptr_t key, const std::string& name, std::uint32_t& type,
                    std::vector<std::uint8_t>& bytes) override {
        // Most values fit the first buffer; a longer one is read again with the size reported,
        // and once more should it have grown in between.
        std::vector<std::uint8_t> buffer(1024);
        for (int attempt = 0; attempt < 8; ++attempt) {
            DWORD storedType = 0;
            DWORD size = static_cast<DWORD>(buffer.size());
            const LONG status = RegQueryValueExA(AsKey(key), name.c_str(), nullptr, &storedType,
                                                 buffer.data(), &size);
            if (status == ERROR_MORE_DATA) {
                buffer.resize(size > buffer.size() ? size : buffer.size() * 2);
                continue;
            }
            if (status == ERROR_SUCCESS) {
                buffer.resize(size);
                bytes = std::move(buffer);
                type = storedType;
            }
            return status;
        }
        return ERROR_MORE_DATA;
    }

    long DeleteValue(std::uintptr_t key, const std::string& name) override {
        return RegDeleteValueA(AsKey(key), name.c_str());
    }

    long DeleteKey(std::uintptr_t key, const std::string& subKey) override {
        return RegDeleteKeyA(AsKey(key), subKey.c_str());
    }

    long CloseKey(std::uintptr_t key) override { return RegCloseKey(AsKey(key)); }
};

class Win32AnsiCodec final : public AnsiCodec {
public:
    std::string ToAnsi(std::string_view utf8) const override {
        return base::win32::Utf8ToAnsi(utf8);
    }
    std::string FromAnsi(std::string_view ansi) const override {
        return base::win32::AnsiToUtf8(ansi);
    }
};

}  // namespace

std::unique_ptr<Registry> MakeWin32Registry() {
    return std::make_unique<Win32Registry>();
}

std::unique_ptr<AnsiCodec> MakeWin32AnsiCodec() {
    return std::make_unique<Win32AnsiCodec>();
}

}  // namespace qvx::app::win32
