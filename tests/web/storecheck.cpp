// velmora-storecheck FILE: reads the fourteen settings from FILE as the Linux saver reads its
// settings file and prints each as NAME=TEXT in the stored text form, one a line; a value the
// store refuses ends the reading with its message on standard error and exit status 1.
#include <cstdio>
#include <string>

#include "platform/posix/codepage.h"
#include "platform/posix/registry.h"
#include "settings/convert.h"
#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: velmora-storecheck FILE\n", stderr);
        return 2;
    }
    FileRegistry registry(argv[1]);
    SaverSettings settings;
    int status = 0;
    try {
        SettingsStore store(registry, kSettingsBaseKey);
        ReadSettings(store, settings);
    } catch (const ReportedError& e) {
        std::fprintf(stderr, "%s\n", SjisToUtf8(StandardErrorText(e.what())).c_str());
        status = 1;
    }
    for (const auto& setting : SaverSettingTable) {
        const std::int32_t value = FieldValue(settings, setting);
        const std::string text =
            setting.Kind == SettingKind::Colour ? ColorToText(value) : std::to_string(value);
        std::printf("%.*s=%s\n", static_cast<int>(setting.Name.size()), setting.Name.data(),
                    text.c_str());
    }
    return status;
}
