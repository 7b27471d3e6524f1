// Settings given for one run (on the command line), laid over the stored ones; never written.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "settings/settings.h"

// One stored setting in its stored text form.
struct SettingOverride {
    std::string_view Name;
    std::string Text;
    bool operator==(const SettingOverride&) const = default;
};

// Applies each override by the store's reading rules, in order; unknown names are skipped.
inline void ApplyOverrides(SaverSettings& settings, std::span<const SettingOverride> overrides) {
    for (const auto& o : overrides) ApplySettingText(settings, o.Name, o.Text);
}
