#include "platform/web/registry.h"

#include <algorithm>
#include <optional>
#include <variant>

#include "platform/posix/regdocument.h"

namespace {

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";

std::string Fold(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string Join(const std::string& base, std::string_view sub) {
    while (!sub.empty() && sub.back() == '\\') sub.remove_suffix(1);
    if (sub.empty()) return base;
    return base + "\\" + std::string(sub);
}

}  // namespace

std::optional<RegFileError> PageRegistry::Load(std::string text) {
    doc_ = RegFileDocument{};
    createdKeys_.clear();
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return std::nullopt;
    auto parsed = ParseRegFile(std::move(text));
    if (auto* failure = std::get_if<RegFileError>(&parsed)) return *failure;
    doc_ = std::move(std::get<RegFileDocument>(parsed));
    return std::nullopt;
}

bool PageRegistry::KeyExists(const std::string& path) const {
    // The hive's root and "Software" exist on every system, whether the text names them or not.
    if (SameRegPath(path, kRootName) || SameRegPath(path, std::string(kRootName) + "\\Software"))
        return true;
    return createdKeys_.count(Fold(path)) != 0 || DocumentHasKey(doc_, path);
}

bool PageRegistry::PathOf(RegKey key, std::string& path) const {
    if (key == kRegCurrentUser) {
        path = std::string(kRootName);
        return true;
    }
    auto it = handles_.find(key);
    if (it == handles_.end()) return false;
    path = it->second;
    return true;
}

long PageRegistry::CreateKey(RegKey base, std::string_view subKey, std::uint32_t, RegKey* result) {
    std::string basePath;
    if (!PathOf(base, basePath)) return kRegErrorInvalidHandle;
    const std::string path = Join(basePath, subKey);
    if (!KeyExists(path)) createdKeys_.insert(Fold(path));
    *result = nextHandle_;
    handles_[nextHandle_] = path;
    nextHandle_ += 4;
    return 0;
}

long PageRegistry::OpenKey(RegKey base, std::string_view subKey, std::uint32_t, RegKey* result) {
    std::string basePath;
    if (!PathOf(base, basePath)) return kRegErrorInvalidHandle;
    const std::string path = Join(basePath, subKey);
    if (!KeyExists(path)) return kRegErrorFileNotFound;
    *result = nextHandle_;
    handles_[nextHandle_] = path;
    nextHandle_ += 4;
    return 0;
}

long PageRegistry::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) {
    std::string path;
    if (!PathOf(key, path)) return kRegErrorInvalidHandle;
    const std::optional<RegFileValue> value = FindDocumentValue(doc_, path, name);
    if (!value) return kRegErrorFileNotFound;
    const auto bytes = AnsiValueData(doc_, *value);
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    if (type) *type = value->Type;
    if (data) {
        if (!size || *size < needed) {
            if (size) *size = needed;
            return kRegErrorMoreData;
        }
        std::copy(bytes.begin(), bytes.end(), data);
    }
    if (size) *size = needed;
    return 0;
}

long PageRegistry::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) {
    std::string path;
    if (!PathOf(key, path)) return kRegErrorInvalidHandle;
    SetDocumentValue(doc_, path, name, type, data, size);
    createdKeys_.erase(Fold(path));
    ++changes_;
    return 0;
}

long PageRegistry::CloseKey(RegKey key) {
    if (key == kRegCurrentUser) return 0;
    return handles_.erase(key) ? 0 : kRegErrorInvalidHandle;
}
