#include "platform/posix/regfile.h"

#include <cstdio>
#include <optional>

#include "platform/posix/codepage.h"

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Fold(text[i]) != Fold(prefix[i])) return false;
    return true;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsBlankOrComment(std::string_view line) {
    line = TrimLeft(line);
    return line.empty() || line.front() == ';';
}

// Reads a quoted string starting at text[pos] == '"'; only \\ and \" are escapes, as the
// exporter writes them. Leaves pos after the closing quote.
bool ReadQuoted(std::string_view text, std::size_t& pos, std::string& out, std::string& what) {
    ++pos;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"') return true;
        if (c == '\\') {
            if (pos == text.size()) break;
            char e = text[pos++];
            if (e != '\\' && e != '"') {
                what = "unknown escape \\" + std::string(1, e);
                return false;
            }
            out += e;
        } else {
            out += c;
        }
    }
    what = "unterminated string";
    return false;
}

bool ReadHexList(std::string_view list, std::vector<std::uint8_t>& out, std::string& what) {
    list = TrimRight(TrimLeft(list));
    if (list.empty()) return true;
    std::size_t pos = 0;
    while (true) {
        std::size_t comma = list.find(',', pos);
        std::string_view item = TrimRight(TrimLeft(list.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos)));
        bool last = comma == std::string_view::npos;
        if (item.empty() && last && pos > 0) return true;  // a trailing comma
        if (item.empty() || item.size() > 2 || HexValue(item[0]) < 0 ||
            (item.size() == 2 && HexValue(item[1]) < 0)) {
            what = "bad byte '" + std::string(item.substr(0, 8)) + "' in hex list";
            return false;
        }
        int v = HexValue(item[0]);
        if (item.size() == 2) v = v * 16 + HexValue(item[1]);
        out.push_back(static_cast<std::uint8_t>(v));
        if (last) return true;
        pos = comma + 1;
    }
}

// Quoted text: its bytes and a terminating zero.
bool ParseQuotedData(std::string_view data, RegFileValue& value, std::string& what) {
    std::size_t at = 0;
    std::string body;
    if (!ReadQuoted(data, at, body, what)) return false;
    if (at != data.size()) {
        what = "text after the closing quote";
        return false;
    }
    value.Type = 1;
    value.Quoted = true;
    value.Data.assign(body.begin(), body.end());
    value.Data.push_back(0);
    return true;
}

// The digits after "dword:", one to eight: four bytes, low byte first.
bool ParseDwordData(std::string_view digits, RegFileValue& value, std::string& what) {
    if (digits.empty() || digits.size() > 8) {
        what = "dword needs one to eight hex digits";
        return false;
    }
    std::uint32_t v = 0;
    for (char c : digits) {
        if (HexValue(c) < 0) {
            what = "bad hex digit in dword";
            return false;
        }
        v = (v << 4) | static_cast<std::uint32_t>(HexValue(c));
    }
    value.Type = 4;
    for (int i = 0; i < 4; ++i) value.Data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return true;
}

// "hex:" (binary) or "hex(type):", then the byte list.
bool ParseHexData(std::string_view data, RegFileValue& value, std::string& what) {
    std::size_t at = 3;
    std::uint32_t type = 3;
    if (at < data.size() && data[at] == '(') {
        std::size_t close = data.find(')', at);
        auto digits = close == std::string_view::npos ? std::string_view()
                                                      : data.substr(at + 1, close - at - 1);
        if (digits.empty() || digits.size() > 8) {
            what = "bad type in hex(...)";
            return false;
        }
        type = 0;
        for (char c : digits) {
            if (HexValue(c) < 0) {
                what = "bad type in hex(...)";
                return false;
            }
            type = (type << 4) | static_cast<std::uint32_t>(HexValue(c));
        }
        at = close + 1;
    }
    if (at >= data.size() || data[at] != ':') {
        what = "':' expected after hex";
        return false;
    }
    value.Type = type;
    return ReadHexList(data.substr(at + 1), value.Data, what);
}

// One value entry (continuations already joined). Sets `entry.IsValue` for a value and leaves
// it false for a deletion ("Name"=-).
bool ParseValue(std::string_view text, RegFileEntry& entry, std::string& what) {
    std::size_t pos = 0;
    std::string name;
    if (text[0] == '@') {
        pos = 1;
    } else if (!ReadQuoted(text, pos, name, what)) {
        return false;
    }
    if (pos >= text.size() || text[pos] != '=') {
        what = "'=' expected after the value name";
        return false;
    }
    ++pos;
    std::string_view data = TrimRight(text.substr(pos));
    RegFileValue value;
    value.Name = std::move(name);
    if (data == "-") return true;
    bool parsed = false;
    if (!data.empty() && data.front() == '"') {
        parsed = ParseQuotedData(data, value, what);
    } else if (StartsWithFolded(data, "dword:")) {
        parsed = ParseDwordData(data.substr(6), value, what);
    } else if (StartsWithFolded(data, "hex")) {
        parsed = ParseHexData(data, value, what);
    } else {
        what = "unknown value data";
    }
    if (!parsed) return false;
    entry.IsValue = true;
    entry.Value = std::move(value);
    return true;
}

// The text of the file: a byte-order mark names Unicode text, which is held as UTF-8.
std::string DecodeText(std::string_view bytes, RegFileDocument& doc) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        doc.Bom = RegFileBom::Utf16Le;
        doc.Unicode = true;
        return Utf16LeToUtf8(bytes.substr(2));
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        doc.Bom = RegFileBom::Utf8;
        doc.Unicode = true;
        return std::string(bytes.substr(3));
    }
    return std::string(bytes);
}

// The lines without their ends; the first line's end decides how the file is written back.
std::vector<std::string> SplitLines(const std::string& text, RegFileDocument& doc) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            if (start < text.size()) lines.push_back(text.substr(start));
            break;
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            if (lines.empty()) doc.Newline = "\r\n";
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// A line up to the header, kept in the prologue; `header` is set once it was the header.
std::optional<RegFileError> HeaderLine(const std::string& raw, int lineNo, RegFileDocument& doc,
                                       bool& header) {
    doc.Prologue.push_back(raw);
    const std::string_view line = TrimRight(raw);
    if (IsBlankOrComment(line)) return std::nullopt;
    if (line == kHeader4) {
        header = true;
    } else if (line == kHeader5) {
        header = true;
        doc.Unicode = true;
    } else {
        return RegFileError{lineNo, "not a registry file: header expected"};
    }
    return std::nullopt;
}

// "[path]" opens a key, "[-path]" a deleted one.
std::optional<RegFileError> KeyLine(const std::string& raw, int lineNo, RegFileDocument& doc) {
    const std::string_view line = TrimRight(raw);
    if (line.back() != ']' || line.size() < 3) return RegFileError{lineNo, "bad key line"};
    RegFileKey key;
    key.Raw = raw;
    std::string_view path = line.substr(1, line.size() - 2);
    if (path.front() == '-') {
        key.Deleted = true;
        path.remove_prefix(1);
    }
    if (path.empty()) return RegFileError{lineNo, "empty key name"};
    key.Path = std::string(path);
    doc.Keys.push_back(std::move(key));
    return std::nullopt;
}

// A value starting at lines[i]. A hex list may go on over lines that end in a backslash; `i`
// is left on the value's last line, and an error names its first.
std::optional<RegFileError> ValueLines(const std::vector<std::string>& lines, std::size_t& i,
                                       RegFileKey& key) {
    const int lineNo = static_cast<int>(i) + 1;
    RegFileEntry entry;
    entry.Raw = lines[i];
    std::string joined(TrimRight(lines[i]));
    while (!joined.empty() && joined.back() == '\\' && joined.find("=hex") != std::string::npos &&
           i + 1 < lines.size()) {
        joined.pop_back();
        ++i;
        entry.Raw += "\n" + lines[i];
        joined += std::string(TrimRight(TrimLeft(lines[i])));
    }
    std::string what;
    if (!ParseValue(joined, entry, what)) return RegFileError{lineNo, what};
    key.Entries.push_back(std::move(entry));
    return std::nullopt;
}

}  // namespace

bool SameRegPath(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

std::variant<RegFileDocument, RegFileError> ParseRegFile(std::string_view bytes) {
    RegFileDocument doc;
    doc.Prologue.clear();
    const std::string text = DecodeText(bytes, doc);
    if (text.find('\0') != std::string::npos) return RegFileError{0, "NUL byte in a text file"};
    const std::vector<std::string> lines = SplitLines(text, doc);

    bool header = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        const std::string_view line = TrimRight(lines[i]);
        std::optional<RegFileError> error;
        if (!header) {
            error = HeaderLine(lines[i], lineNo, doc, header);
        } else if (!line.empty() && line.front() == '[') {
            error = KeyLine(lines[i], lineNo, doc);
        } else if (IsBlankOrComment(line)) {
            // Kept where it stands: with the key above it, or before the first key.
            if (doc.Keys.empty())
                doc.Prologue.push_back(lines[i]);
            else
                doc.Keys.back().Entries.push_back(RegFileEntry{lines[i], false, {}});
        } else if (line.front() != '"' && line.front() != '@') {
            error = RegFileError{lineNo, "not a key, a value or a comment"};
        } else if (doc.Keys.empty()) {
            error = RegFileError{lineNo, "value before the first key"};
        } else {
            error = ValueLines(lines, i, doc.Keys.back());
        }
        if (error) return *error;
    }
    if (!header) return RegFileError{0, "not a registry file: header missing"};
    return doc;
}

std::string FormatRegFileValue(const RegFileValue& value) {
    auto quote = [](std::string_view text) {
        std::string out = "\"";
        for (char c : text) {
            if (c == '\\' || c == '"') out += '\\';
            out += c;
        }
        return out + "\"";
    };
    std::string out = value.Name.empty() ? "@=" : quote(value.Name) + "=";
    const auto& d = value.Data;

    bool textFits = value.Type == 1 && !d.empty() && d.back() == 0;
    for (std::size_t i = 0; textFits && i + 1 < d.size(); ++i)
        if (d[i] == 0 || d[i] == '\n' || d[i] == '\r') textFits = false;
    if (textFits) return out + quote(std::string_view(reinterpret_cast<const char*>(d.data()), d.size() - 1));

    char buffer[32];
    if (value.Type == 4 && d.size() == 4) {
        std::uint32_t v = d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<std::uint32_t>(d[3]) << 24);
        std::snprintf(buffer, sizeof buffer, "dword:%08x", v);
        return out + buffer;
    }
    if (value.Type == 3)
        out += "hex:";
    else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", value.Type);
        out += buffer;
    }
    // Wrapped as the exporter wraps long lists, so the file stays readable.
    std::size_t column = out.size();
    for (std::size_t i = 0; i < d.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", d[i]);
        out += buffer;
        column += 2;
        if (i + 1 < d.size()) {
            out += ',';
            ++column;
            if (column >= 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
    return out;
}

std::string WriteRegFile(const RegFileDocument& doc) {
    std::string text;
    auto put = [&](std::string_view lines) {
        for (char c : lines) {
            if (c == '\n')
                text += doc.Newline;
            else
                text += c;
        }
        text += doc.Newline;
    };
    if (doc.Prologue.empty()) put(doc.Unicode ? kHeader5 : kHeader4);
    for (const auto& line : doc.Prologue) put(line);
    for (const auto& key : doc.Keys) {
        put(key.Raw.empty() ? "[" + std::string(key.Deleted ? "-" : "") + key.Path + "]" : key.Raw);
        for (const auto& entry : key.Entries)
            put(entry.Raw.empty() && entry.IsValue ? FormatRegFileValue(entry.Value) : entry.Raw);
    }
    switch (doc.Bom) {
        case RegFileBom::Utf16Le:
            return "\xFF\xFE" + Utf8ToUtf16Le(text);
        case RegFileBom::Utf8:
            return "\xEF\xBB\xBF" + text;
        case RegFileBom::None:
            break;
    }
    return text;
}
