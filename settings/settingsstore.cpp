#include "settings/settingsstore.h"

#include <vector>

#include "settings/convert.h"
#include "settings/errors.h"

namespace {

// "'%s' の取得に失敗しました"
constexpr std::string_view kReadFailed =
    "'%s' \x82\xCC\x8E\xE6\x93\xBE\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// "'%s' のﾃﾞｰﾀ型が不正です"
constexpr std::string_view kBadDataType =
    "'%s' \x82\xCC\xC3\xDE\xB0\xC0\x8C^\x82\xAA\x95s\x90\xB3\x82\xC5\x82\xB7";
// "ｷｰ %s の作成に失敗しました"
constexpr std::string_view kCreateKeyFailed =
    "\xB7\xB0 %s \x82\xCC\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// "'%s' の設定に失敗しました"
constexpr std::string_view kWriteFailed =
    "'%s' \x82\xCC\x90\xDD\x92\xE8\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";

}  // namespace

SettingsStore::SettingsStore(Registry& registry, std::string_view baseKey) : Reg(registry) {
    // A base key that cannot be opened is not an error: sections are then looked up from the
    // root, so reads still fall back to their defaults.
    RegKey key = 0;
    if (Reg.CreateKey(kRegCurrentUser, baseKey, kKeyAllAccess, &key) == 0 && key != 0) {
        CurrentKey = key;
        CurrentPath = std::string(baseKey);
    }
}

SettingsStore::~SettingsStore() {
    if (CurrentKey != 0) Reg.CloseKey(CurrentKey);
    CurrentKey = 0;
    CurrentPath.clear();
}

namespace {

// Where a section name is looked up: from the root when it starts with "\", else from the
// current key (or the root when there is none).
struct SectionPlace {
    RegKey Base;
    std::string_view Name;
};

SectionPlace Place(RegKey current, std::string_view section) {
    if (!section.empty() && section.front() == '\\') return {kRegCurrentUser, section.substr(1)};
    return {current != 0 ? current : kRegCurrentUser, section};
}

// The section key is the current key while one operation runs; the previous current key comes
// back and the section key is closed however the operation ends.
class SectionScope {
  public:
    SectionScope(Registry& registry, RegKey& current, std::string_view section)
        : Reg(registry), CurrentKey(current), Saved(current) {
        auto place = Place(current, section);
        RegKey key = 0;
        // Full access first; a key we may only read still serves the readers.
        if (Reg.OpenKey(place.Base, place.Name, kKeyAllAccess, &key) != 0 || key == 0) {
            key = 0;
            if (Reg.OpenKey(place.Base, place.Name, kKeyRead, &key) != 0) key = 0;
        }
        Opened = key;
        if (Opened != 0) CurrentKey = Opened;
    }
    ~SectionScope() {
        CurrentKey = Saved;
        if (Opened != 0) Reg.CloseKey(Opened);
    }
    SectionScope(const SectionScope&) = delete;
    SectionScope& operator=(const SectionScope&) = delete;

    RegKey Key() const { return Opened; }

  private:
    Registry& Reg;
    RegKey& CurrentKey;
    RegKey Saved;
    RegKey Opened = 0;
};

bool ValueExists(Registry& registry, RegKey key, std::string_view name) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    return registry.QueryValue(key, name, &type, nullptr, &size) == 0;
}

// The value's text; a value of any type other than text is an error, not a default.
std::string ValueText(Registry& registry, RegKey key, std::string_view name) {
    std::uint32_t size = 0;
    std::int64_t known = -1;
    if (registry.QueryValue(key, name, nullptr, nullptr, &size) == 0) known = size;
    if (known <= 0) return {};

    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(known));
    std::uint32_t type = kRegNone;
    std::uint32_t got = static_cast<std::uint32_t>(buffer.size());
    if (registry.QueryValue(key, name, &type, buffer.data(), &got) != 0)
        throw RegistryError(FormatMessage1(kReadFailed, name));
    if (type != kRegSz && type != kRegExpandSz)
        throw RegistryError(FormatMessage1(kBadDataType, name));
    // A backend may report fewer bytes than it was asked for; never read past what it filled.
    std::size_t filled = got < buffer.size() ? got : buffer.size();
    std::size_t end = 0;
    while (end < filled && buffer[end] != 0) ++end;
    return std::string(reinterpret_cast<const char*>(buffer.data()), end);
}

}  // namespace

std::int32_t SettingsStore::ReadValueInt(std::string_view section, std::string_view name,
                                         std::int32_t def) {
    SectionScope scope(Reg, CurrentKey, section);
    if (scope.Key() == 0) return def;
    if (!ValueExists(Reg, scope.Key(), name)) return def;
    auto value = StoredTextToInt(ValueText(Reg, scope.Key(), name));
    return value ? *value : def;
}

bool SettingsStore::ReadValueBool(std::string_view section, std::string_view name, bool def) {
    return ReadValueInt(section, name, def ? 1 : 0) != 0;
}

std::string SettingsStore::ReadValueText(std::string_view section, std::string_view name,
                                         std::string_view def) {
    SectionScope scope(Reg, CurrentKey, section);
    if (scope.Key() == 0) return std::string(def);
    if (!ValueExists(Reg, scope.Key(), name)) return std::string(def);
    return ValueText(Reg, scope.Key(), name);
}

void SettingsStore::WriteValueInt(std::string_view section, std::string_view name,
                                  std::int32_t value) {
    WriteValueText(section, name, std::to_string(value));
}

void SettingsStore::WriteValueBool(std::string_view section, std::string_view name, bool value) {
    WriteValueText(section, name, value ? "1" : "0");
}

void SettingsStore::WriteValueText(std::string_view section, std::string_view name,
                                   std::string_view text) {
    auto place = Place(CurrentKey, section);
    RegKey created = 0;
    if (Reg.CreateKey(place.Base, place.Name, kKeyAllAccess, &created) != 0)
        throw RegistryError(FormatMessage1(kCreateKeyFailed, section));
    if (created != 0) Reg.CloseKey(created);

    SectionScope scope(Reg, CurrentKey, section);
    // A key that exists but cannot be opened: the value is not written, and that is no error.
    if (scope.Key() == 0) return;
    std::string data(text);
    auto bytes = reinterpret_cast<const std::uint8_t*>(data.c_str());
    if (Reg.SetValue(scope.Key(), name, kRegSz, bytes,
                     static_cast<std::uint32_t>(data.size() + 1)) != 0)
        throw RegistryError(FormatMessage1(kWriteFailed, name));
}
