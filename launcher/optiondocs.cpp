#include "launcher/optiondocs.h"

namespace {

constexpr std::size_t kHelpColumn = 24;
constexpr std::size_t kLineWidth = 79;

std::string Range(const OptionRow& row, std::string_view dash) {
    return std::to_string(row.Low) + std::string(dash) + std::to_string(row.High);
}

// The value as the usage names it: its name, else its range.
std::string ValueName(const OptionRow& row) {
    return !row.Value.empty() ? std::string(row.Value) : row.Ranged() ? Range(row, "-") : "";
}

// The help with what the row adds to it: a range its value's name does not show, and the stored
// setting it stands in for.
std::string FullHelp(const OptionRow& row, std::string_view dash, std::string_view storedBefore,
                     std::string_view storedAfter) {
    std::string help(row.Help);
    if (!row.Value.empty() && row.Ranged()) help += ", " + Range(row, dash);
    if (!row.Stored.empty())
        help += std::string(storedBefore) + std::string(row.Stored) + std::string(storedAfter);
    return help;
}

// `text` from `column` on, broken at spaces before `kLineWidth`; the first line continues
// `line`.
std::string Wrapped(std::string line, std::string_view text, std::size_t column) {
    std::string out;
    while (!text.empty()) {
        const std::size_t room = kLineWidth > line.size() ? kLineWidth - line.size() : 0;
        std::size_t cut = text.size();
        if (cut > room) {
            cut = text.rfind(' ', room);
            // A word longer than the room goes on the line anyway.
            if (cut == std::string_view::npos || cut == 0) cut = text.find(' ');
            if (cut == std::string_view::npos) cut = text.size();
        }
        out += line + std::string(text.substr(0, cut)) + "\n";
        text.remove_prefix(cut);
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        line.assign(column, ' ');
    }
    return out;
}

std::string Troff(std::string_view text) {
    std::string out;
    for (char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

std::string OptionHelp(std::span<const OptionRow> rows) {
    std::string text;
    for (const auto& row : rows) {
        if (row.Help.empty()) continue;
        std::string left = "  ";
        if (!row.Alias.empty()) left += std::string(row.Alias) + ", ";
        left += "--" + std::string(row.Name);
        if (row.TakesValue()) left += " " + ValueName(row);
        // The help starts in its column, or below when the spellings reach it.
        if (left.size() + 1 > kHelpColumn) {
            text += left + "\n";
            left.clear();
        }
        left.resize(kHelpColumn, ' ');
        text += Wrapped(left, FullHelp(row, "-", " (instead of the stored ", ")"), kHelpColumn);
    }
    return text;
}

std::string ManualOptions(std::span<const OptionRow> rows) {
    std::string text;
    for (const auto& row : rows) {
        if (row.Help.empty() && row.Manual.empty()) continue;
        std::string names = Troff(row.Alias);
        if (!names.empty()) names += ", ";
        names += "\\-\\-" + Troff(row.Name);
        if (!row.TakesValue())
            text += ".TP\n.B \"" + names + "\"\n";
        else if (row.Value.empty())
            text += ".TP\n.BI \"" + names + " \" " + Range(row, "\\(en") + "\n";
        else
            text += ".TP\n.BI \"" + names + " \" \"" + Troff(row.Value) + "\"\n";
        if (!row.Manual.empty()) {
            text += std::string(row.Manual) + "\n";
            continue;
        }
        text += FullHelp(row, "\\(en", ", instead of the stored setting ", "") + ".\n";
    }
    return text;
}

std::string FillManualPage(std::string_view page, std::string_view version,
                           std::span<const OptionRow> rows) {
    return Replace(Replace(std::string(page), "@OPTIONS@\n", ManualOptions(rows)), "@VERSION@",
                   version);
}
