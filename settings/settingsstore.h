// SettingsStore: the settings accessor over the registry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"

// Holds the base key ("Software" under the current user's hive) open from construction to
// destruction; each read or write opens and closes the section key below it. Failures raise
// RegistryError (and reads of bad numbers fall back to the default).
class SettingsStore {
  public:
    SettingsStore(Registry& registry, std::string_view baseKey);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    std::int32_t ReadValueInt(std::string_view section, std::string_view name, std::int32_t def);
    bool ReadValueBool(std::string_view section, std::string_view name, bool def);
    std::string ReadValueText(std::string_view section, std::string_view name,
                              std::string_view def);
    void WriteValueInt(std::string_view section, std::string_view name, std::int32_t value);
    void WriteValueBool(std::string_view section, std::string_view name, bool value);
    void WriteValueText(std::string_view section, std::string_view name, std::string_view text);

  private:
    Registry& Reg;
    RegKey CurrentKey = 0;
    std::string CurrentPath;
};
