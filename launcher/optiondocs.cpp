#include "launcher/optiondocs.h"

#include "launcher/commandline.h"

namespace {

// "star-scroll" -> "Star scroll".
std::string Label(std::string_view option) {
    std::string label(option);
    for (char& c : label)
        if (c == '-') c = ' ';
    if (!label.empty() && label[0] >= 'a' && label[0] <= 'z')
        label[0] = static_cast<char>(label[0] - 'a' + 'A');
    return label;
}

// The one-line help as a sentence: capitalised.
std::string Sentence(std::string_view help) {
    std::string text(help);
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

std::string XScreenSaverConfig() {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n"
        "<screensaver name=\"velmora\" _label=\"Velmora\">\n\n"
        "  <command arg=\"--root\"/>\n\n";
    for (const SettingOption& o : SettingOptions()) {
        const std::string id(o.Option);
        const std::string arg = "--" + id;
        if (o.Flag) {
            xml += "  <boolean id=\"" + id + "\" _label=\"" + Sentence(o.Help) + "\" arg-set=\"" +
                   arg + "\"/>\n\n";
        } else if (o.High - o.Low < 4) {
            // A few values: a menu whose first entry keeps the stored setting.
            xml += "  <select id=\"" + id + "\">\n    <option id=\"" + id + "-stored\" _label=\"" +
                   Label(o.Option) + ": as set in velmora /c\"/>\n";
            for (int v = o.Low; v <= o.High; ++v)
                xml += "    <option id=\"" + id + "-" + std::to_string(v) + "\" _label=\"" +
                       Label(o.Option) + ": " + std::to_string(v) + (v == 0 ? " (none)" : "") +
                       "\" arg-set=\"" + arg + " " + std::to_string(v) + "\"/>\n";
            xml += "  </select>\n\n";
        } else {
            // At its default the slider passes nothing, as XScreenSaver does for every number.
            xml += "  <number id=\"" + id + "\" type=\"slider\" arg=\"" + arg + " %\"\n" +
                   "          _label=\"" + Sentence(o.Help) + "\" _low-label=\"" +
                   std::to_string(o.Low) + "\" _high-label=\"" + std::to_string(o.High) +
                   "\"\n          low=\"" + std::to_string(o.Low) + "\" high=\"" +
                   std::to_string(o.High) + "\" default=\"" + std::to_string(o.Default) +
                   "\"/>\n\n";
        }
    }
    xml +=
        "  <_description>\n"
        "A night drive along a highway, drawn dot by dot: the road's edges and street lamps slide "
        "toward\n"
        "the viewer as the course bends and climbs, under three layers of stars and above the "
        "lights of\n"
        "the towns on the horizon, with an occasional shooting star.\n\n"
        "What is left as it is here comes from the settings made with \"velmora /c\", the colours "
        "among them.\n"
        "  </_description>\n"
        "</screensaver>\n";
    return xml;
}

std::string ManualOptions() {
    std::string text;
    for (const SettingOption& o : SettingOptions()) {
        const std::string name = "\\-\\-" + Replace(std::string(o.Option), "-", "\\-");
        if (o.Flag)
            text += ".TP\n.B " + name;
        else
            text += ".TP\n.BI \"" + name + " \" " + std::to_string(o.Low) + "\\(en" +
                    std::to_string(o.High);
        text += "\n" + Sentence(o.Help) + " (the stored setting " + std::string(o.Setting) + ").\n";
    }
    return text;
}

std::string FillManualPage(std::string_view page, std::string_view version) {
    return Replace(Replace(std::string(page), "@OPTIONS@\n", ManualOptions()), "@VERSION@",
                   version);
}
