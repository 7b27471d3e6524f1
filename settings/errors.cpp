#include "settings/errors.h"

#include "platform/messagebox.h"

std::string FormatMessage1(std::string_view format, std::string_view arg) {
    std::string out(format);
    if (auto at = out.find("%s"); at != std::string::npos) out.replace(at, 2, arg);
    return out;
}

// Shift-JIS lead bytes: 0x81-0x9F and 0xE0-0xFC start a two-byte character.
static bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string StandardErrorText(std::string_view message) {
    std::string out(message);
    if (out.empty()) return out;
    // The comparison looks at the first byte of the last character, so walk the text by
    // characters: a trail byte may look like ASCII.
    std::size_t last = 0;
    for (std::size_t i = 0; i < out.size();) {
        last = i;
        i += (IsLeadByte(static_cast<unsigned char>(out[i])) && i + 1 < out.size()) ? 2 : 1;
    }
    if (static_cast<unsigned char>(out[last]) > static_cast<unsigned char>('.')) out += '.';
    return out;
}

void ReportError(MessageBoxService& box, const std::exception& error) {
    box.Show(StandardErrorText(error.what()), kApplicationTitle, MessageIcon::Stop);
}
