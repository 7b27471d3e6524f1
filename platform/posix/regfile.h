// The registry-export text format: "REGEDIT4" files, and on reading also "Windows Registry
// Editor Version 5.00" files in UTF-16LE with a byte-order mark or in UTF-8. A parsed file keeps
// every line as it stood, so writing it back changes only the values that were set.
#pragma once

#include <cstdint>
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

// One entry below a key line: a value, or a line kept as it is (blank, comment, deletion).
struct RegFileEntry {
    std::string Raw;  // the entry's lines as they stood, joined by "\n"; empty when new or changed
    bool IsValue = false;
    RegFileValue Value;
};

struct RegFileKey {
    std::string Raw;   // the key line as it stood; empty when new
    std::string Path;  // e.g. HKEY_CURRENT_USER\Software\Velmora
    bool Deleted = false;  // a [-...] line: its entries are kept but describe nothing
    std::vector<RegFileEntry> Entries;
};

enum class RegFileBom { None, Utf8, Utf16Le };

struct RegFileDocument {
    RegFileBom Bom = RegFileBom::None;
    // Version 5 text is Unicode (held as UTF-8); REGEDIT4 text is the code page's bytes.
    bool Unicode = false;
    std::string Newline = "\n";
    std::vector<std::string> Prologue = {"REGEDIT4", ""};  // the header and what precedes the first key
    std::vector<RegFileKey> Keys;
};

struct RegFileError {
    int Line = 0;  // 1-based; 0 for the file as a whole
    std::string What;
};

// Parses a whole file; never throws, whatever the bytes.
std::variant<RegFileDocument, RegFileError> ParseRegFile(std::string_view bytes);

// The file's bytes: untouched entries as they stood, new and changed ones in the export form.
std::string WriteRegFile(const RegFileDocument& document);

// The text form of one value ("Name"="text", "Name"=dword:0000001e, "Name"=hex(N):..). Quoted
// text is used only when it reads back as the same bytes.
std::string FormatRegFileValue(const RegFileValue& value);

// Key paths compare without regard to the case of A-Z.
bool SameRegPath(std::string_view a, std::string_view b);
