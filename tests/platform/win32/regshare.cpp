// regshare: the Linux end of the settings exchange with the Windows registry.
//   regshare write FILE   writes fourteen non-default settings into FILE (a user.reg) as the
//                         dialog's OK does
//   regshare read FILE    prints the fourteen settings read from FILE as "Name=text", the text
//                         being what OK would store for it
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "platform/posix/registry.h"
#include "settings/convert.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

namespace {

int Write(const char* path) {
    FileRegistry registry(path);
    SettingsStore reg(registry, kSettingsBaseKey);
    const auto s = kSettingsSection;
    reg.WriteValueInt(s, "Speed", 17);
    reg.WriteValueInt(s, "DispMode", 1);
    reg.WriteValueInt(s, "UpDown", 3);
    reg.WriteValueBool(s, "StarScroll", true);
    reg.WriteValueBool(s, "Comet", true);
    reg.WriteValueBool(s, "Trans", false);
    reg.WriteValueText(s, "road_Color", ColorToText(clWhite));
    reg.WriteValueText(s, "porl_Color", ColorToText(0x0001FEFF));
    reg.WriteValueText(s, "star1_Color", ColorToText(cl3DLight));
    reg.WriteValueText(s, "star2_Color", ColorToText(clAqua));
    reg.WriteValueText(s, "star3_Color", ColorToText(clYellow));
    reg.WriteValueText(s, "town1_Color", ColorToText(0x0001807F));
    reg.WriteValueText(s, "town2_Color", ColorToText(clTeal));
    reg.WriteValueText(s, "town3_Color", ColorToText(0x0000009B));
    return 0;
}

int Read(const char* path) {
    FileRegistry registry(path);
    SaverSettings v;
    {
        SettingsStore reg(registry, kSettingsBaseKey);
        ReadSettings(reg, v);
    }
    std::printf("Speed=%d\nDispMode=%d\nUpDown=%d\nStarScroll=%d\nComet=%d\nTrans=%d\n", v.Speed,
                v.DispMode, v.UpDown, v.StarScroll ? 1 : 0, v.Comet ? 1 : 0, v.Trans ? 1 : 0);
    const std::pair<const char*, ColorValue> colors[] = {
        {"road_Color", v.road_Color},   {"porl_Color", v.porl_Color},
        {"star1_Color", v.star1_Color}, {"star2_Color", v.star2_Color},
        {"star3_Color", v.star3_Color}, {"town1_Color", v.town1_Color},
        {"town2_Color", v.town2_Color}, {"town3_Color", v.town3_Color}};
    for (const auto& [name, color] : colors)
        std::printf("%s=%s\n", name, ColorToText(color).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::strcmp(argv[1], "write") == 0) return Write(argv[2]);
        if (argc == 3 && std::strcmp(argv[1], "read") == 0) return Read(argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "regshare: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: regshare write|read FILE\n");
    return 2;
}
