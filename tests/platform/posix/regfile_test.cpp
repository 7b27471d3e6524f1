// The registry-export text format: parsing, writing back unchanged, and where a broken file breaks.
#include "platform/posix/regfile.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/posix/codepage.h"

namespace {

const RegFileDocument& Doc(const std::variant<RegFileDocument, RegFileError>& parsed) {
    if (auto* e = std::get_if<RegFileError>(&parsed))
        ADD_FAILURE() << "line " << e->Line << ": " << e->What;
    static RegFileDocument empty;
    return std::holds_alternative<RegFileDocument>(parsed) ? std::get<RegFileDocument>(parsed)
                                                           : empty;
}

RegFileError Error(std::string_view text) {
    auto parsed = ParseRegFile(text);
    if (auto* e = std::get_if<RegFileError>(&parsed)) return *e;
    ADD_FAILURE() << "parsed without error";
    return {};
}

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

const std::string kExport =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
    "@=\"default\"\r\n"
    "\"Path\"=\"C:\\\\Program Files\\\\\\\"x\\\"\"\r\n"
    "\"Count\"=dword:0000001e\r\n"
    "\"Blob\"=hex:00,01,fe,ff\r\n"
    "\"Expand\"=hex(2):25,48,4f,4d,45,25,00\r\n"
    "\"Multi\"=hex(7):61,00,62,00,00\r\n"
    "\"Qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"
    "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
    "  16,17,18\r\n"
    "; a comment\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"
    "\"Speed\"=\"30\"\r\n"
    "\r\n";

TEST(ParseRegFile, ReadsEveryKindOfValueOfAnExport) {
    auto parsed = ParseRegFile(kExport);
    const auto& doc = Doc(parsed);
    ASSERT_EQ(doc.Keys.size(), 2u);
    EXPECT_EQ(doc.Newline, "\r\n");
    EXPECT_FALSE(doc.Unicode);
    const auto& other = doc.Keys[0];
    EXPECT_EQ(other.Path, "HKEY_CURRENT_USER\\Software\\Other");
    std::vector<RegFileValue> values;
    for (const auto& e : other.Entries)
        if (e.IsValue) values.push_back(EntryValue(doc, e));
    ASSERT_EQ(values.size(), 8u);
    EXPECT_EQ(values[0].Name, "");
    EXPECT_EQ(values[0].Data, Bytes(std::string_view("default\0", 8)));
    EXPECT_EQ(values[1].Name, "Path");
    EXPECT_EQ(values[1].Data, Bytes(std::string_view("C:\\Program Files\\\"x\"\0", 21)));
    EXPECT_EQ(values[2].Type, 4u);
    EXPECT_EQ(values[2].Data, (std::vector<std::uint8_t>{0x1E, 0, 0, 0}));
    EXPECT_EQ(values[3].Type, 3u);
    EXPECT_EQ(values[3].Data, (std::vector<std::uint8_t>{0, 1, 0xFE, 0xFF}));
    EXPECT_EQ(values[4].Type, 2u);
    EXPECT_EQ(values[5].Type, 7u);
    EXPECT_EQ(values[6].Type, 11u);
    EXPECT_EQ(values[6].Data.size(), 8u);
    EXPECT_EQ(values[7].Data.size(), 25u);
    EXPECT_EQ(values[7].Data[24], 0x18);
}

TEST(WriteRegFile, WritesAnUnchangedFileBackByteForByte) {
    EXPECT_EQ(WriteRegFile(Doc(ParseRegFile(kExport))), kExport);
    std::string lf = "REGEDIT4\n\n[A]\n\"x\"=\"1\"\n\n[B]\n; note\n\"y\"=dword:00000001\n";
    EXPECT_EQ(WriteRegFile(Doc(ParseRegFile(lf))), lf);
}

TEST(WriteRegFile, KeepsDeletionLinesWithoutTakingThemForValues) {
    std::string text = "REGEDIT4\n\n[-HKEY_CURRENT_USER\\Gone]\n\n[A]\n\"x\"=-\n\"y\"=\"2\"\n";
    auto parsed = ParseRegFile(text);
    const auto& doc = Doc(parsed);
    ASSERT_EQ(doc.Keys.size(), 2u);
    EXPECT_TRUE(doc.Keys[0].Deleted);
    int values = 0;
    for (const auto& e : doc.Keys[1].Entries) values += e.IsValue;
    EXPECT_EQ(values, 1);
    EXPECT_EQ(WriteRegFile(doc), text);
}

TEST(FormatRegFileValue, WritesTextDwordAndHexAsTheExporterDoes) {
    EXPECT_EQ(FormatRegFileValue({"Speed", 1, Bytes(std::string_view("30\0", 3)), true}),
              "\"Speed\"=\"30\"");
    EXPECT_EQ(FormatRegFileValue({"a\"b\\", 1, Bytes(std::string_view("q\"\\\0", 4)), true}),
              "\"a\\\"b\\\\\"=\"q\\\"\\\\\"");
    EXPECT_EQ(FormatRegFileValue({"", 1, Bytes(std::string_view("x\0", 2)), true}), "@=\"x\"");
    EXPECT_EQ(FormatRegFileValue({"n", 4, {0x1E, 0, 0, 0}, false}), "\"n\"=dword:0000001e");
    EXPECT_EQ(FormatRegFileValue({"n", 3, {0, 0xAB}, false}), "\"n\"=hex:00,ab");
    EXPECT_EQ(FormatRegFileValue({"n", 0x2A, {1}, false}), "\"n\"=hex(2a):01");
    EXPECT_EQ(FormatRegFileValue({"n", 3, {}, false}), "\"n\"=hex:");
}

TEST(FormatRegFileValue, FallsBackToHexForTextThatQuotesCannotCarry) {
    // No terminator, an inner zero, a line break, and a dword of the wrong size.
    EXPECT_EQ(FormatRegFileValue({"n", 1, Bytes("ab"), false}), "\"n\"=hex(1):61,62");
    EXPECT_EQ(FormatRegFileValue({"n", 1, Bytes(std::string_view("a\0b\0", 4)), false}),
              "\"n\"=hex(1):61,00,62,00");
    EXPECT_EQ(FormatRegFileValue({"n", 1, Bytes(std::string_view("a\nb\0", 4)), false}),
              "\"n\"=hex(1):61,0a,62,00");
    EXPECT_EQ(FormatRegFileValue({"n", 4, {1, 2}, false}), "\"n\"=hex(4):01,02");
}

TEST(FormatRegFileValue, EveryTypeAndContentSurvivesAWriteAndARead) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        RegFileValue value;
        value.Name = round % 5 == 0 ? "" : "v\\\"" + std::to_string(round);
        const std::uint32_t types[] = {0, 1, 2, 3, 4, 7, 11, 0x12345678};
        value.Type = types[random() % 8];
        value.Data.resize(random() % 100);
        for (auto& b : value.Data) b = static_cast<std::uint8_t>(random() % (round % 2 ? 256 : 4));
        if (round % 3 == 0 && value.Type == 1) value.Data.push_back(0);
        std::string file = "REGEDIT4\n\n[K]\n" + FormatRegFileValue(value) + "\n";
        auto parsed = ParseRegFile(file);
        const auto& doc = Doc(parsed);
        ASSERT_EQ(doc.Keys.size(), 1u);
        ASSERT_EQ(doc.Keys[0].Entries.size(), 1u) << file;
        const auto back = EntryValue(doc, doc.Keys[0].Entries[0]);
        EXPECT_EQ(back.Name, value.Name);
        EXPECT_EQ(back.Type, value.Type);
        EXPECT_EQ(back.Data, value.Data) << file;
    }
}

TEST(ParseRegFile, AcceptsVersionFiveInUtf16WithBomAndWritesItBackSo) {
    std::string utf8 =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"
        "\"Speed\"=\"40\"\r\n\"Note\"=\"\xE8\xA8\xAD\xE5\xAE\x9A\"\r\n\r\n";  // 設定
    std::string file = "\xFF\xFE" + Utf8ToUtf16Le(utf8);
    auto parsed = ParseRegFile(file);
    const auto& doc = Doc(parsed);
    EXPECT_EQ(doc.Bom, RegFileBom::Utf16Le);
    EXPECT_TRUE(doc.Unicode);
    ASSERT_EQ(doc.Keys.size(), 1u);
    EXPECT_EQ(EntryValue(doc, doc.Keys[0].Entries[1]).Data,
              Bytes(std::string_view("\xE8\xA8\xAD\xE5\xAE\x9A\0", 7)));
    EXPECT_EQ(WriteRegFile(doc), file);
}

TEST(ParseRegFile, AcceptsVersionFiveInUtf8WithAndWithoutBom) {
    std::string text = "Windows Registry Editor Version 5.00\n\n[K]\n\"a\"=\"1\"\n";
    EXPECT_TRUE(Doc(ParseRegFile(text)).Unicode);
    auto withBom = ParseRegFile("\xEF\xBB\xBF" + text);
    EXPECT_EQ(Doc(withBom).Bom, RegFileBom::Utf8);
    EXPECT_EQ(WriteRegFile(Doc(withBom)), "\xEF\xBB\xBF" + text);
}

// The line and the text that the settings file's diagnostics show for each way a file breaks.
TEST(ParseRegFile, NamesTheLineAndTheFaultWhereAFileIsBroken) {
    const struct {
        std::string_view File;
        int Line;
        std::string_view What;
    } cases[] = {
        {"", 0, "not a registry file: header missing"},
        {"; only a comment\n", 0, "not a registry file: header missing"},
        {"hello\n", 1, "not a registry file: header expected"},
        {std::string_view("REGEDIT4\n[K]\n\"a\"=\"1\0\"\n", 22), 0, "NUL byte in a text file"},
        {"REGEDIT4\n\n[K]\n\"a\"=\"1\"\ngarbage\n", 5, "not a key, a value or a comment"},
        {"REGEDIT4\n\"a\"=\"1\"\n", 2, "value before the first key"},
        {"REGEDIT4\n[K\n", 2, "bad key line"},
        {"REGEDIT4\n[]\n", 2, "bad key line"},
        {"REGEDIT4\n[-]\n", 2, "empty key name"},
        {"REGEDIT4\n[K]\n\"a\"1\n", 3, "'=' expected after the value name"},
        {"REGEDIT4\n[K]\n\"a\"=\"1\n", 3, "unterminated string"},
        {"REGEDIT4\n[K]\n\"a\"=\"\\n\"\n", 3, "unknown escape \\n"},
        {"REGEDIT4\n[K]\n\"a\"=\"1\" x\n", 3, "text after the closing quote"},
        {"REGEDIT4\n[K]\n\"a\"=dword:123456789\n", 3, "dword needs one to eight hex digits"},
        {"REGEDIT4\n[K]\n\"a\"=dword:\n", 3, "dword needs one to eight hex digits"},
        {"REGEDIT4\n[K]\n\"a\"=dword:0000001g\n", 3, "bad hex digit in dword"},
        {"REGEDIT4\n[K]\n\"a\"=hex:0g\n", 3, "bad byte '0g' in hex list"},
        {"REGEDIT4\n[K]\n\"a\"=hex:123\n", 3, "bad byte '123' in hex list"},
        {"REGEDIT4\n[K]\n\"a\"=hex:00,,01\n", 3, "bad byte '' in hex list"},
        {"REGEDIT4\n[K]\n\"a\"=hex(z):00\n", 3, "bad type in hex(...)"},
        {"REGEDIT4\n[K]\n\"a\"=hex():00\n", 3, "bad type in hex(...)"},
        {"REGEDIT4\n[K]\n\"a\"=hex;00\n", 3, "':' expected after hex"},
        {"REGEDIT4\n[K]\n\"a\"=str:x\n", 3, "unknown value data"},
        // A continued list is named by its first line.
        {"REGEDIT4\n[K]\n\"a\"=hex:00,\\\n  01,zz\n", 3, "bad byte 'zz' in hex list"},
    };
    for (const auto& c : cases) {
        const RegFileError e = Error(c.File);
        EXPECT_EQ(e.Line, c.Line) << c.File;
        EXPECT_EQ(e.What, c.What) << c.File;
    }
}

// Long lists wrap once a line has reached column 76, and continue indented by two.
TEST(FormatRegFileValue, WrapsLongHexListsAtColumn76) {
    const std::vector<std::uint8_t> bytes(60, 0xAB);
    auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        for (std::size_t start = 0;;) {
            const std::size_t end = text.find('\n', start);
            out.push_back(text.substr(start, end - start));
            if (end == std::string::npos) return out;
            start = end + 1;
        }
    };
    // Prefix "ab"=hex: is 9 columns: 22 bytes reach column 75, one more reaches 78.
    // Prefix "abc"=hex: is 10 columns: 22 bytes reach column 76 exactly.
    for (const auto& [name, firstBytes] : {std::pair{"ab", 23}, std::pair{"abc", 22}}) {
        const auto text = lines(FormatRegFileValue({name, 3, bytes, false}));
        ASSERT_EQ(text.size(), 3u) << name;
        std::string first = "\"" + std::string(name) + "\"=hex:";
        for (int i = 0; i < firstBytes; ++i) first += "ab,";
        EXPECT_EQ(text[0], first + "\\") << name;
        // Continuation lines start at column 2 and take 25 bytes before they wrap.
        std::string second = "  ";
        for (int i = 0; i < 25; ++i) second += "ab,";
        EXPECT_EQ(text[1], second + "\\") << name;
        EXPECT_EQ(text[2].substr(0, 2), "  ");
        EXPECT_EQ(text[2].size(), 2 + 3u * static_cast<std::size_t>(60 - firstBytes - 25) - 1)
            << name;
    }
}

}  // namespace
