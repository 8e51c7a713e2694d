#include "tests/fakes/fake_registry.h"

#include <algorithm>

namespace qvx::fakes {

namespace reg_status = app::reg_status;
namespace reg_type = app::reg_type;

namespace {

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string FoldName(const std::string& name) {
    std::string folded = name;
    std::transform(folded.begin(), folded.end(), folded.begin(), Fold);
    return folded;
}

// Splits a key path on backslashes. A trailing backslash is ignored; an empty component
// elsewhere makes the path invalid.
bool SplitPath(const std::string& path, std::vector<std::string>& parts) {
    parts.clear();
    std::string p = path;
    if (!p.empty() && p.back() == '\\') {
        p.pop_back();
    }
    if (p.empty()) {
        return true;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = p.find('\\', start);
        const std::string part =
            p.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty()) {
            return false;
        }
        parts.push_back(part);
        if (slash == std::string::npos) {
            return true;
        }
        start = slash + 1;
    }
}

std::string FaultKey(std::uint32_t root, const std::string& path, const std::string& value) {
    std::vector<std::string> parts;
    SplitPath(path, parts);
    std::string key = std::to_string(root);
    for (const auto& part : parts) {
        key += '\\' + FoldName(part);
    }
    return key + '|' + FoldName(value);
}

}  // namespace

struct FakeRegistry::Key {
    std::string name;
    Key* parent = nullptr;
    std::uint32_t root = 0;
    std::string path;  // from the root, as first created
    // Folded name -> (name as written, data).
    std::map<std::string, std::pair<std::string, StoredValue>> values;
    std::map<std::string, std::unique_ptr<Key>> children;
};

struct FakeRegistry::Handle {
    Key* key = nullptr;  // null once the key has been deleted
};

FakeRegistry::FakeRegistry() = default;
FakeRegistry::~FakeRegistry() = default;

FakeRegistry::Key* FakeRegistry::Find(std::uint32_t root, const std::string& path) const {
    std::vector<std::string> parts;
    if (!SplitPath(path, parts)) {
        return nullptr;
    }
    const auto r = roots_.find(root);
    if (r == roots_.end()) {
        return nullptr;
    }
    Key* key = r->second.get();
    for (const auto& part : parts) {
        const auto child = key->children.find(FoldName(part));
        if (child == key->children.end()) {
            return nullptr;
        }
        key = child->second.get();
    }
    return key;
}

FakeRegistry::Key* FakeRegistry::EnsureKey(std::uint32_t root, const std::string& path) {
    std::vector<std::string> parts;
    if (!SplitPath(path, parts)) {
        return nullptr;
    }
    auto& rootKey = roots_[root];
    if (!rootKey) {
        rootKey = std::make_unique<Key>();
        rootKey->root = root;
    }
    Key* current = rootKey.get();
    for (const auto& part : parts) {
        auto& child = current->children[FoldName(part)];
        if (!child) {
            child = std::make_unique<Key>();
            child->name = part;
            child->parent = current;
            child->root = root;
            child->path = current->path.empty() ? part : current->path + '\\' + part;
        }
        current = child.get();
    }
    return current;
}

FakeRegistry::Key* FakeRegistry::Lookup(std::uintptr_t key) {
    const auto h = handles_.find(key);
    return h == handles_.end() ? nullptr : h->second->key;
}

long FakeRegistry::CreateKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) {
    ++callCount_;
    std::vector<std::string> parts;
    if (!SplitPath(path, parts)) {
        return reg_status::kInvalidParameter;
    }
    if (refusedCreate_.count(FaultKey(root, path, "")) != 0) {
        return reg_status::kAccessDenied;
    }
    Key* current = EnsureKey(root, path);
    key = nextHandle_++;
    handles_[key] = std::make_unique<Handle>(Handle{current});
    return reg_status::kSuccess;
}

long FakeRegistry::OpenKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) {
    ++callCount_;
    if (refusedOpen_.count(FaultKey(root, path, "")) != 0) {
        return reg_status::kAccessDenied;
    }
    Key* found = Find(root, path);
    if (found == nullptr) {
        // Predefined roots always exist, even before anything was written under them.
        std::vector<std::string> parts;
        if (!SplitPath(path, parts) || !parts.empty()) {
            return reg_status::kFileNotFound;
        }
        found = EnsureKey(root, "");
    }
    key = nextHandle_++;
    handles_[key] = std::make_unique<Handle>(Handle{found});
    return reg_status::kSuccess;
}

long FakeRegistry::SetValue(std::uintptr_t key, const std::string& name, std::uint32_t type,
                            const std::vector<std::uint8_t>& bytes) {
    ++callCount_;
    if (handles_.count(key) == 0) {
        return reg_status::kInvalidHandle;
    }
    Key* k = Lookup(key);
    if (k == nullptr) {
        return reg_status::kKeyDeleted;
    }
    if (refusedWrite_.count(FaultKey(k->root, k->path, name)) != 0) {
        return reg_status::kAccessDenied;
    }
    auto& slot = k->values[FoldName(name)];
    if (slot.first.empty()) {
        slot.first = name;
    }
    slot.second = StoredValue{type, bytes};
    return reg_status::kSuccess;
}

long FakeRegistry::QueryValue(std::uintptr_t key, const std::string& name, std::uint32_t& type,
                              std::vector<std::uint8_t>& bytes) {
    ++callCount_;
    if (handles_.count(key) == 0) {
        return reg_status::kInvalidHandle;
    }
    Key* k = Lookup(key);
    if (k == nullptr) {
        return reg_status::kKeyDeleted;
    }
    const auto v = k->values.find(FoldName(name));
    if (v == k->values.end()) {
        return reg_status::kFileNotFound;
    }
    type = v->second.second.type;
    bytes = v->second.second.bytes;
    return reg_status::kSuccess;
}

long FakeRegistry::DeleteValue(std::uintptr_t key, const std::string& name) {
    ++callCount_;
    if (handles_.count(key) == 0) {
        return reg_status::kInvalidHandle;
    }
    Key* k = Lookup(key);
    if (k == nullptr) {
        return reg_status::kKeyDeleted;
    }
    if (refusedDelete_.count(FaultKey(k->root, k->path, name)) != 0) {
        return reg_status::kAccessDenied;
    }
    return k->values.erase(FoldName(name)) != 0 ? reg_status::kSuccess : reg_status::kFileNotFound;
}

long FakeRegistry::DeleteKey(std::uintptr_t key, const std::string& subKey) {
    ++callCount_;
    if (handles_.count(key) == 0) {
        return reg_status::kInvalidHandle;
    }
    Key* k = Lookup(key);
    if (k == nullptr) {
        return reg_status::kKeyDeleted;
    }
    std::vector<std::string> parts;
    if (!SplitPath(subKey, parts) || parts.empty()) {
        return reg_status::kInvalidParameter;
    }
    Key* target = k;
    for (const auto& part : parts) {
        const auto child = target->children.find(FoldName(part));
        if (child == target->children.end()) {
            return reg_status::kFileNotFound;
        }
        target = child->second.get();
    }
    if (refusedDelete_.count(FaultKey(target->root, target->path, "")) != 0) {
        return reg_status::kAccessDenied;
    }
    // RegDeleteKeyA does not delete a key that still has sub-keys.
    if (!target->children.empty()) {
        return reg_status::kAccessDenied;
    }
    for (auto& [id, handle] : handles_) {
        if (handle->key == target) {
            handle->key = nullptr;
        }
    }
    target->parent->children.erase(FoldName(target->name));
    return reg_status::kSuccess;
}

long FakeRegistry::CloseKey(std::uintptr_t key) {
    ++callCount_;
    return handles_.erase(key) != 0 ? reg_status::kSuccess : reg_status::kInvalidHandle;
}

void FakeRegistry::RefuseCreate(std::uint32_t root, const std::string& path) {
    refusedCreate_.insert(FaultKey(root, path, ""));
}

void FakeRegistry::RefuseOpen(std::uint32_t root, const std::string& path) {
    refusedOpen_.insert(FaultKey(root, path, ""));
}

void FakeRegistry::RefuseWrite(std::uint32_t root, const std::string& path,
                               const std::string& valueName) {
    refusedWrite_.insert(FaultKey(root, path, valueName));
}

void FakeRegistry::RefuseDelete(std::uint32_t root, const std::string& path,
                                const std::string& valueName) {
    refusedDelete_.insert(FaultKey(root, path, valueName));
}

bool FakeRegistry::HasKey(std::uint32_t root, const std::string& path) const {
    return Find(root, path) != nullptr;
}

std::optional<FakeRegistry::StoredValue> FakeRegistry::Value(std::uint32_t root,
                                                             const std::string& path,
                                                             const std::string& valueName) const {
    const Key* k = Find(root, path);
    if (k == nullptr) {
        return std::nullopt;
    }
    const auto v = k->values.find(FoldName(valueName));
    if (v == k->values.end()) {
        return std::nullopt;
    }
    return v->second.second;
}

std::optional<std::string> FakeRegistry::StringValue(std::uint32_t root, const std::string& path,
                                                     const std::string& valueName) const {
    const auto v = Value(root, path, valueName);
    if (!v || (v->type != reg_type::kString && v->type != reg_type::kExpandString &&
               v->type != reg_type::kMultiString)) {
        return std::nullopt;
    }
    std::string text(v->bytes.begin(), v->bytes.end());
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
    return text;
}

void FakeRegistry::Put(std::uint32_t root, const std::string& path, const std::string& valueName,
                       std::uint32_t type, std::vector<std::uint8_t> bytes) {
    Key* k = EnsureKey(root, path);
    if (k == nullptr) {
        return;
    }
    auto& slot = k->values[FoldName(valueName)];
    if (slot.first.empty()) {
        slot.first = valueName;
    }
    slot.second = StoredValue{type, std::move(bytes)};
}

void FakeRegistry::PutString(std::uint32_t root, const std::string& path,
                             const std::string& valueName, const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    Put(root, path, valueName, reg_type::kString, std::move(bytes));
}

std::vector<std::string> FakeRegistry::ValueNames(std::uint32_t root,
                                                  const std::string& path) const {
    std::vector<std::string> names;
    if (const Key* k = Find(root, path)) {
        for (const auto& [folded, entry] : k->values) {
            names.push_back(entry.first);
        }
    }
    return names;
}

int FakeRegistry::OpenHandleCount() const {
    return static_cast<int>(handles_.size());
}

}  // namespace qvx::fakes
