#include "launcher/argumentreader.h"

#include <charconv>

namespace {

template <typename Number>
std::optional<Number> FromChars(std::string_view text, int base) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

const OptionRow* ArgumentReader::FindLong(std::string_view name) const {
    for (const auto& row : Rows)
        if (row.Name == name) return &row;
    return nullptr;
}

const OptionRow* ArgumentReader::FindAlias(std::string_view text) const {
    for (const auto& row : Rows)
        if (!row.Alias.empty() && row.Alias == text) return &row;
    return nullptr;
}

Argument ArgumentReader::Next() {
    Argument argument;
    argument.Text = Arguments[NextIndex++];
    const std::string_view text = argument.Text;
    if (text.starts_with("--")) {
        argument.Name = text.substr(2);
        if (const auto eq = argument.Name.find('='); eq != std::string_view::npos) {
            argument.Value = argument.Name.substr(eq + 1);
            argument.Name = argument.Name.substr(0, eq);
        }
        argument.Row = argument.Name.empty() ? nullptr : FindLong(argument.Name);
        argument.What = argument.Row ? Argument::Kind::Option : Argument::Kind::Unknown;
    } else if ((argument.Row = FindAlias(text)) != nullptr) {
        argument.Name = argument.Row->Name;
        argument.What = Argument::Kind::Option;
    }
    // The value of an option that takes one may be the next argument, whatever it looks like.
    if (argument.Row && argument.Row->TakesValue() && !argument.Value && !AtEnd())
        argument.Value = Arguments[NextIndex++];
    return argument;
}

std::optional<std::int64_t> ReadWholeNumber(std::string_view text) {
    return FromChars<std::int64_t>(text, 10);
}

std::uint32_t ReadWindowNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    return FromChars<std::uint32_t>(text, base).value_or(0);
}
