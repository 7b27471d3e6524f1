#include "tests/support/memoryregistry.h"

#include <cstdio>

std::string MemoryRegistry::Fold(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string MemoryRegistry::Join(const std::string& base, std::string_view sub) {
    // Trailing separators are ignored, as the registry ignores them.
    while (!sub.empty() && sub.back() == '\\') sub.remove_suffix(1);
    if (sub.empty()) return base;
    if (base.empty()) return std::string(sub);
    return base + "\\" + std::string(sub);
}

std::optional<std::string> MemoryRegistry::PathOf(RegKey key) const {
    if (key == kRegCurrentUser) return std::string();
    auto it = OpenKeys.find(key);
    if (it == OpenKeys.end()) return std::nullopt;
    return it->second;
}

long MemoryRegistry::Check(const RegCallInfo& info) const {
    for (const auto& rule : Rules)
        if (long error = rule(info)) return error;
    return 0;
}

MemoryRegistry::Key* MemoryRegistry::Find(std::string_view path) {
    auto it = Keys.find(Fold(path));
    return it == Keys.end() ? nullptr : &it->second;
}

const MemoryRegistry::Key* MemoryRegistry::Find(std::string_view path) const {
    auto it = Keys.find(Fold(path));
    return it == Keys.end() ? nullptr : &it->second;
}

MemoryRegistry::Key& MemoryRegistry::Make(std::string_view path) {
    // Every key above it comes into existence too.
    std::string sofar;
    std::string_view rest = path;
    while (!rest.empty()) {
        auto cut = rest.find('\\');
        auto part = rest.substr(0, cut);
        sofar = Join(sofar, part);
        auto folded = Fold(sofar);
        if (!Keys.count(folded)) Keys[folded] = Key{sofar, {}};
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    auto folded = Fold(path);
    if (!Keys.count(folded)) Keys[folded] = Key{std::string(path), {}};
    return Keys[folded];
}

RegKey MemoryRegistry::NewHandle(const std::string& path) {
    RegKey handle = NextHandle;
    NextHandle += 4;
    OpenKeys[handle] = path;
    return handle;
}

static std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

long MemoryRegistry::StartKeyCall(RegCall call, std::string_view name, RegKey base,
                                  std::string_view subKey, std::uint32_t access,
                                  std::string& path) {
    auto basePath = PathOf(base);
    path = basePath ? Join(*basePath, subKey) : std::string(subKey);
    Calls.push_back(std::string(name) + " " + path + " " + Hex(access));
    if (long error = Check({call, path, std::string(subKey), access})) return error;
    return basePath ? 0 : kRegErrorInvalidHandle;
}

long MemoryRegistry::CreateKey(RegKey base, std::string_view subKey, std::uint32_t access,
                               RegKey* result) {
    std::string path;
    if (long error = StartKeyCall(RegCall::CreateKey, "CreateKey", base, subKey, access, path))
        return error;
    Make(path);
    *result = NewHandle(Find(path)->Path);
    return 0;
}

long MemoryRegistry::OpenKey(RegKey base, std::string_view subKey, std::uint32_t access,
                             RegKey* result) {
    std::string path;
    if (long error = StartKeyCall(RegCall::OpenKey, "OpenKey", base, subKey, access, path))
        return error;
    const Key* key = path.empty() ? nullptr : Find(path);
    if (!path.empty() && !key) return kRegErrorFileNotFound;
    *result = NewHandle(key ? key->Path : path);
    return 0;
}

long MemoryRegistry::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* size) {
    auto path = PathOf(key);
    Calls.push_back(std::string(data ? "QueryValue " : "QueryValueInfo ") + std::string(name));
    RegCall call = data ? RegCall::QueryValueData : RegCall::QueryValueInfo;
    if (long error = Check({call, path.value_or(""), std::string(name), 0})) return error;
    if (!path) return kRegErrorInvalidHandle;
    auto value = Get(*path, name);
    if (!value) return kRegErrorFileNotFound;
    auto needed = static_cast<std::uint32_t>(value->Data.size());
    if (type) *type = value->Type;
    if (data) {
        if (!size || *size < needed) {
            if (size) *size = needed;
            return kRegErrorMoreData;
        }
        std::copy(value->Data.begin(), value->Data.end(), data);
    }
    if (size) *size = needed;
    return 0;
}

long MemoryRegistry::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
    auto path = PathOf(key);
    Calls.push_back("SetValue " + std::string(name));
    if (long error = Check({RegCall::SetValue, path.value_or(""), std::string(name), 0}))
        return error;
    if (!path) return kRegErrorInvalidHandle;
    Put(*path, name, type, std::vector<std::uint8_t>(data, data + size));
    return 0;
}

long MemoryRegistry::CloseKey(RegKey key) {
    auto path = PathOf(key);
    Calls.push_back("CloseKey " + path.value_or("?"));
    if (long error = Check({RegCall::CloseKey, path.value_or(""), {}, 0})) return error;
    if (key == kRegCurrentUser) return 0;
    return OpenKeys.erase(key) ? 0 : kRegErrorInvalidHandle;
}

void MemoryRegistry::FailCall(RegCall call, std::string_view name, long error) {
    AddFailure([call, name = Fold(name), error](const RegCallInfo& info) -> long {
        if (info.Call != call) return 0;
        if (!name.empty() && Fold(info.Name) != name) return 0;
        return error;
    });
}

void MemoryRegistry::Put(std::string_view keyPath, std::string_view name, std::uint32_t type,
                         std::vector<std::uint8_t> data) {
    Key& key = Make(keyPath);
    auto folded = Fold(name);
    for (auto& [existing, value] : key.Values)
        if (Fold(existing) == folded) {
            value = RegStoredValue{type, std::move(data)};
            return;
        }
    key.Values.emplace_back(std::string(name), RegStoredValue{type, std::move(data)});
}

void MemoryRegistry::PutText(std::string_view keyPath, std::string_view name,
                             std::string_view text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    Put(keyPath, name, kRegSz, std::move(data));
}

std::optional<RegStoredValue> MemoryRegistry::Get(std::string_view keyPath,
                                                  std::string_view name) const {
    const Key* key = Find(keyPath);
    if (!key) return std::nullopt;
    auto folded = Fold(name);
    for (const auto& [existing, value] : key->Values)
        if (Fold(existing) == folded) return value;
    return std::nullopt;
}

std::optional<std::string> MemoryRegistry::GetText(std::string_view keyPath,
                                                   std::string_view name) const {
    auto value = Get(keyPath, name);
    if (!value || value->Type != kRegSz) return std::nullopt;
    std::string text(value->Data.begin(), value->Data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

bool MemoryRegistry::KeyExists(std::string_view keyPath) const {
    return Find(keyPath) != nullptr;
}

std::vector<std::string> MemoryRegistry::ValueNames(std::string_view keyPath) const {
    std::vector<std::string> names;
    if (const Key* key = Find(keyPath))
        for (const auto& entry : key->Values) names.push_back(entry.first);
    return names;
}
