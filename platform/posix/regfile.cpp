#include "platform/posix/regfile.h"

#include <cstdio>

#include "platform/posix/codepage.h"
#include "platform/registry.h"

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

// The one case rule of key paths and value names: A-Z only, as the registry compares them.
char Fold(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

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
        std::string_view item = TrimRight(TrimLeft(list.substr(
            pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos)));
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
    value.Type = kRegSz;
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
    value.Type = kRegDword;
    for (int i = 0; i < 4; ++i) value.Data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return true;
}

// "hex:" (binary) or "hex(type):", then the byte list.
bool ParseHexData(std::string_view data, RegFileValue& value, std::string& what) {
    std::size_t at = 3;
    std::uint32_t type = kRegBinary;
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

// One value entry (continuations already joined) into `value`, whose buffers are reused. Sets
// `isValue` for a value and clears it for a deletion ("Name"=-).
bool ParseValue(std::string_view text, RegFileValue& value, bool& isValue, std::string& what) {
    std::size_t pos = 0;
    isValue = false;
    value.Name.clear();
    value.Type = kRegNone;
    value.Data.clear();
    value.Quoted = false;
    if (text[0] == '@') {
        pos = 1;
    } else if (!ReadQuoted(text, pos, value.Name, what)) {
        return false;
    }
    if (pos >= text.size() || text[pos] != '=') {
        what = "'=' expected after the value name";
        return false;
    }
    ++pos;
    std::string_view data = TrimRight(text.substr(pos));
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
    isValue = true;
    return true;
}

// The lines of a file in its own encoding: 8-bit text, or UTF-16LE, whose line feed is the code
// unit 0x000A. Each line comes with its span (line end included) and its text for the parser
// (UTF-8 for UTF-16, without the line end and a carriage return before it).
class LineReader {
  public:
    LineReader(std::string_view bytes, std::size_t start, bool utf16)
        : Text(bytes), At(start), Utf16(utf16) {}

    bool AtEnd() const { return At >= Text.size(); }
    std::size_t Offset() const { return At; }

    bool Next(RegFileSpan& span, std::string& text, bool& carriageReturn) {
        if (AtEnd()) return false;
        const std::size_t start = At;
        std::size_t end = Text.size(), next = Text.size();
        if (!Utf16) {
            const std::size_t lf = Text.find('\n', start);
            if (lf != std::string_view::npos) end = lf, next = lf + 1;
        } else {
            for (std::size_t lf = Text.find('\n', start); lf != std::string_view::npos;
                 lf = Text.find('\n', lf + 1)) {
                if ((lf - start) % 2 == 0 && lf + 1 < Text.size() && Text[lf + 1] == '\0') {
                    end = lf, next = lf + 2;
                    break;
                }
            }
        }
        span = {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(next - start)};
        At = next;
        const std::string_view raw = Text.substr(start, end - start);
        if (Utf16)
            text = Utf16LeToUtf8(raw);
        else
            text.assign(raw);
        carriageReturn = !text.empty() && text.back() == '\r';
        if (carriageReturn) text.pop_back();
        return true;
    }

  private:
    std::string_view Text;
    std::size_t At;
    bool Utf16;
};

std::size_t BomSize(RegFileBom bom) {
    return bom == RegFileBom::Utf16Le ? 2 : bom == RegFileBom::Utf8 ? 3 : 0;
}

// A hex list may go on over lines that end in a backslash.
bool Continues(const std::string& joined) {
    return !joined.empty() && joined.back() == '\\' && joined.find("=hex") != std::string::npos;
}

void Join(std::string& joined, std::string_view next) {
    joined.pop_back();
    joined += TrimRight(TrimLeft(next));
}

std::string Encoded(const RegFileDocument& doc, std::string_view text) {
    return doc.Bom == RegFileBom::Utf16Le ? Utf8ToUtf16Le(text) : std::string(text);
}

}  // namespace

std::string FoldRegText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Fold(c);
    return out;
}

bool SameRegPath(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

std::variant<RegFileDocument, RegFileError> ParseRegFile(std::string bytes) {
    // Compared in 64 bits: where size_t has 32 (WebAssembly) no file reaches the limit.
    if (std::uint64_t{bytes.size()} >= (std::uint64_t{1} << 32))
        return RegFileError{0, "file too large"};
    RegFileDocument doc;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        doc.Bom = RegFileBom::Utf16Le;
        doc.Unicode = true;
    } else if (bytes.size() >= 3 && std::string_view(bytes).substr(0, 3) == "\xEF\xBB\xBF") {
        doc.Bom = RegFileBom::Utf8;
        doc.Unicode = true;
    }
    LineReader reader(bytes, BomSize(doc.Bom), doc.Bom == RegFileBom::Utf16Le);
    RegFileSpan span;
    std::string line;
    bool carriageReturn = false;
    int lineNo = 0;
    bool header = false;
    RegFileKey* key = nullptr;
    RegFileValue scratch;  // each value is parsed once here, to find a broken file
    auto next = [&] {
        if (!reader.Next(span, line, carriageReturn)) return false;
        if (lineNo++ == 0 && carriageReturn) doc.Newline = "\r\n";
        return true;
    };
    while (next()) {
        if (line.find('\0') != std::string::npos) return RegFileError{0, "NUL byte in a text file"};
        const std::string_view text = TrimRight(line);
        if (!header) {
            if (IsBlankOrComment(text)) continue;
            if (text == kHeader4) {
                header = true;
            } else if (text == kHeader5) {
                header = true;
                doc.Unicode = true;
            } else {
                return RegFileError{lineNo, "not a registry file: header expected"};
            }
            continue;
        }
        if (!text.empty() && text.front() == '[') {
            if (text.back() != ']' || text.size() < 3) return RegFileError{lineNo, "bad key line"};
            RegFileKey block;
            block.Line = span;
            std::string_view path = text.substr(1, text.size() - 2);
            if (path.front() == '-') {
                block.Deleted = true;
                path.remove_prefix(1);
            }
            if (path.empty()) return RegFileError{lineNo, "empty key name"};
            block.Path = std::string(path);
            if (!key) doc.Prologue = {0, span.Offset};
            doc.Keys.push_back(std::move(block));
            key = &doc.Keys.back();
            continue;
        }
        if (IsBlankOrComment(text)) {
            if (key) key->Entries.push_back(RegFileEntry{span, -1, false});
            continue;
        }
        if (text.front() != '"' && text.front() != '@')
            return RegFileError{lineNo, "not a key, a value or a comment"};
        if (!key) return RegFileError{lineNo, "value before the first key"};

        RegFileEntry entry{span, -1, false};
        const int firstLine = lineNo;
        std::string joined(text);
        while (Continues(joined) && !reader.AtEnd()) {
            next();
            if (line.find('\0') != std::string::npos)
                return RegFileError{0, "NUL byte in a text file"};
            Join(joined, line);
            entry.Lines.Size = static_cast<std::uint32_t>(reader.Offset() - entry.Lines.Offset);
        }
        std::string what;
        if (!ParseValue(joined, scratch, entry.IsValue, what)) return RegFileError{firstLine, what};
        key->Entries.push_back(entry);
    }
    if (!header) return RegFileError{0, "not a registry file: header missing"};
    if (!key) doc.Prologue = {0, static_cast<std::uint32_t>(bytes.size())};
    doc.Bytes = std::move(bytes);
    return doc;
}

RegFileValue EntryValue(const RegFileDocument& doc, const RegFileEntry& entry) {
    if (entry.Written >= 0) return doc.Written[static_cast<std::size_t>(entry.Written)];
    RegFileValue value;
    if (!entry.IsValue) return value;
    const std::string_view lines =
        std::string_view(doc.Bytes).substr(entry.Lines.Offset, entry.Lines.Size);
    LineReader reader(lines, 0, doc.Bom == RegFileBom::Utf16Le);
    RegFileSpan span;
    std::string line, joined;
    bool carriageReturn = false;
    if (reader.Next(span, line, carriageReturn)) joined = TrimRight(line);
    while (reader.Next(span, line, carriageReturn)) Join(joined, line);
    bool isValue = false;
    std::string what;
    ParseValue(joined, value, isValue, what);  // parsed once already: it cannot fail
    return value;
}

void SetEntryValue(RegFileDocument& doc, RegFileEntry& entry, RegFileValue value) {
    entry.IsValue = true;
    if (entry.Written < 0) {
        entry.Written = static_cast<std::int32_t>(doc.Written.size());
        doc.Written.push_back(std::move(value));
    } else {
        doc.Written[static_cast<std::size_t>(entry.Written)] = std::move(value);
    }
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

    bool textFits = value.Type == kRegSz && !d.empty() && d.back() == 0;
    for (std::size_t i = 0; textFits && i + 1 < d.size(); ++i)
        if (d[i] == 0 || d[i] == '\n' || d[i] == '\r') textFits = false;
    if (textFits)
        return out + quote(std::string_view(reinterpret_cast<const char*>(d.data()), d.size() - 1));

    char buffer[32];
    if (value.Type == kRegDword && d.size() == 4) {
        std::uint32_t v =
            d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<std::uint32_t>(d[3]) << 24);
        std::snprintf(buffer, sizeof buffer, "dword:%08x", v);
        return out + buffer;
    }
    if (value.Type == kRegBinary)
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

bool WriteRegFile(const RegFileDocument& doc, const RegFileSink& sink) {
    const bool utf16 = doc.Bom == RegFileBom::Utf16Le;
    // What was written last: the file's last line may lack its line end, a UTF-16 file may end
    // in an odd byte, and a new line must start on a line and a code unit of its own.
    std::size_t written = 0;
    char last[2] = {'\n', '\0'};
    auto emit = [&](std::string_view bytes) {
        if (bytes.empty()) return true;
        written += bytes.size();
        if (bytes.size() >= 2)
            last[0] = bytes[bytes.size() - 2];
        else
            last[0] = last[1];
        last[1] = bytes.back();
        return sink(bytes);
    };
    auto copy = [&](RegFileSpan span) {
        return emit(std::string_view(doc.Bytes).substr(span.Offset, span.Size));
    };
    auto put = [&](std::string_view lines) {
        std::string text;
        // A stray last byte becomes a code unit of its own, of which it is the low byte: with a
        // zero high byte it is the character it most likely was, but a stray zero would then be
        // a NUL, which makes the whole file unreadable: that one becomes an ideographic space.
        if (utf16 && written % 2 != 0) text += last[1] == '\0' ? '\x30' : '\0';
        const bool ended =
            written == 0 ||
            (utf16 ? written % 2 == 0 && last[0] == '\n' && last[1] == '\0' : last[1] == '\n');
        std::string line = ended ? "" : doc.Newline;
        for (char c : lines) {
            if (c == '\n')
                line += doc.Newline;
            else
                line += c;
        }
        line += doc.Newline;
        return emit(text + Encoded(doc, line));
    };
    if (doc.Bytes.empty()) {
        std::string start;
        if (doc.Bom == RegFileBom::Utf16Le) start = "\xFF\xFE";
        if (doc.Bom == RegFileBom::Utf8) start = "\xEF\xBB\xBF";
        start += Encoded(
            doc, std::string(doc.Unicode ? kHeader5 : kHeader4) + doc.Newline + doc.Newline);
        if (!emit(start)) return false;
    } else if (!copy(doc.Prologue)) {
        return false;
    }
    for (const auto& key : doc.Keys) {
        const bool ok = key.Line.Size > 0
                            ? copy(key.Line)
                            : put("[" + std::string(key.Deleted ? "-" : "") + key.Path + "]");
        if (!ok) return false;
        for (const auto& entry : key.Entries) {
            const bool done =
                entry.Written >= 0
                    ? put(FormatRegFileValue(doc.Written[static_cast<std::size_t>(entry.Written)]))
                : entry.Lines.Size > 0 ? copy(entry.Lines)
                                       : put("");
            if (!done) return false;
        }
    }
    return true;
}

std::string WriteRegFile(const RegFileDocument& doc) {
    std::string out;
    out.reserve(doc.Bytes.size() + 64 * doc.Written.size() + 64);
    WriteRegFile(doc, [&out](std::string_view bytes) {
        out += bytes;
        return true;
    });
    return out;
}
