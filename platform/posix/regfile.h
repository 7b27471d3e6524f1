// The registry-export text format: "REGEDIT4" files, and on reading also "Windows Registry
// Editor Version 5.00" files in UTF-16LE with a byte-order mark or in UTF-8. A parsed file keeps
// the file's bytes and where each of its lines stands in them, and reads a value from there when
// asked: a document costs little more than the file, and writing it back copies every line that
// no change touches byte for byte (its line end, its encoding, lone UTF-16 surrogates and all).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct RegFileValue {
    std::string Name;  // "" for the key's default value ("@")
    std::uint32_t Type = 0;
    // For quoted text: the text's bytes as they stand in the file (code page bytes in a REGEDIT4
    // file, UTF-8 in a version 5 one) and a terminating zero. Otherwise the bytes of the hex list.
    std::vector<std::uint8_t> Data;
    bool Quoted = false;  // written as "text" rather than dword: or hex:
};

// Where a line, or a run of lines, stands in the file's bytes, its line ends included.
struct RegFileSpan {
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;
};

// One entry below a key line: a value (its lines: a hex list may go on over several), or a line
// kept as it is (blank, comment, deletion).
struct RegFileEntry {
    RegFileSpan Lines;          // empty when new
    std::int32_t Written = -1;  // the value in RegFileDocument::Written when new or changed
    bool IsValue = false;
};

struct RegFileKey {
    RegFileSpan Line;      // the key line; empty when new
    std::string Path;      // e.g. HKEY_CURRENT_USER\Software\Velmora
    bool Deleted = false;  // a [-...] line: its entries are kept but describe nothing
    std::vector<RegFileEntry> Entries;
};

enum class RegFileBom { None, Utf8, Utf16Le };

struct RegFileDocument {
    std::string Bytes;  // the file as it was read, byte-order mark included; empty for a new file
    RegFileBom Bom = RegFileBom::None;
    // Version 5 text is Unicode (held as UTF-8); REGEDIT4 text is the code page's bytes.
    bool Unicode = false;
    std::string Newline = "\n";  // the first line's line end, given to the lines a change adds
    RegFileSpan Prologue;        // the byte-order mark, the header and what precedes the first key
    std::vector<RegFileKey> Keys;
    std::vector<RegFileValue> Written;  // values set since the file was read
};

struct RegFileError {
    int Line = 0;  // 1-based; 0 for the file as a whole
    std::string What;
};

// Parses a whole file, whose bytes the document keeps; never throws, whatever the bytes. Files
// of 4 GiB or more are refused.
std::variant<RegFileDocument, RegFileError> ParseRegFile(std::string bytes);
inline std::variant<RegFileDocument, RegFileError> ParseRegFile(std::string_view bytes) {
    return ParseRegFile(std::string(bytes));
}
inline std::variant<RegFileDocument, RegFileError> ParseRegFile(const char* bytes) {
    return ParseRegFile(std::string(bytes));
}

// The value of a value entry of `document`: as set, or read from the file's lines.
RegFileValue EntryValue(const RegFileDocument& document, const RegFileEntry& entry);

// Sets the value of `entry` (a value entry of `document`, or a new one): it is written in the
// export form from then on.
void SetEntryValue(RegFileDocument& document, RegFileEntry& entry, RegFileValue value);

// The file's bytes: untouched lines as they stood, new and changed values in the export form.
std::string WriteRegFile(const RegFileDocument& document);

// The same bytes handed to `sink` piece by piece, untouched lines straight from the document, so
// that a large file is never held twice; stops with false as soon as the sink returns false.
using RegFileSink = std::function<bool(std::string_view bytes)>;
bool WriteRegFile(const RegFileDocument& document, const RegFileSink& sink);

// The text form of one value ("Name"="text", "Name"=dword:0000001e, "Name"=hex(N):..). Quoted
// text is used only when it reads back as the same bytes.
std::string FormatRegFileValue(const RegFileValue& value);

// Key paths compare without regard to the case of A-Z.
bool SameRegPath(std::string_view a, std::string_view b);
// The form under which two key paths or value names that SameRegPath takes as one are equal.
std::string FoldRegText(std::string_view text);
