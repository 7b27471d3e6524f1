// Long randomised runs of the settings' text parsers: no crash, no hang, and the properties of
// fuzz/properties.h on every input. The seed is fixed so a failure repeats.
#include <gtest/gtest.h>

#include <random>

#include "fuzz/properties.h"

namespace {

class Generator {
  public:
    explicit Generator(unsigned seed) : Random(seed) {}

    std::size_t Below(std::size_t n) { return n == 0 ? 0 : Random() % n; }

    // Mostly characters the parsers care about, sometimes any byte.
    std::string Text(std::size_t maxLength) {
        static constexpr std::string_view kAlphabet =
            "0123456789abcdefABCDEFxX$+- \t\"\\=@[]:,;()\r\nclRedhxwor";
        std::string out;
        for (std::size_t n = Below(maxLength + 1); n > 0; --n)
            out +=
                Below(8) == 0 ? static_cast<char>(Below(256)) : kAlphabet[Below(kAlphabet.size())];
        return out;
    }

    // A file that is mostly well formed, so that the parser gets past its header.
    std::string RegFile() {
        static constexpr std::string_view kLines[] = {"[HKEY_CURRENT_USER\\Software\\Velmora]",
                                                      "[-HKEY_CURRENT_USER\\Gone]",
                                                      "",
                                                      "; comment",
                                                      "\"Speed\"=\"30\"",
                                                      "\"a\\\\b\\\"\"=\"q\\\"\"",
                                                      "@=\"default\"",
                                                      "\"d\"=dword:0000001e",
                                                      "\"h\"=hex:00,01,ff",
                                                      "\"m\"=hex(7):61,00,00,00,\\",
                                                      "  62,00",
                                                      "\"x\"=-",
                                                      "\"e\"=hex(2):",
                                                      "[K]"};
        std::string out =
            Below(10) == 0 ? "Windows Registry Editor Version 5.00\r\n" : "REGEDIT4\n";
        for (std::size_t n = Below(30); n > 0; --n) {
            std::string line(kLines[Below(std::size(kLines))]);
            if (Below(6) == 0 && !line.empty()) {
                // Mutate one character: insert, delete or replace.
                std::size_t at = Below(line.size());
                switch (Below(3)) {
                    case 0:
                        line.insert(at, 1, static_cast<char>(Below(256)));
                        break;
                    case 1:
                        line.erase(at, 1);
                        break;
                    default:
                        line[at] = Text(1).empty() ? '"' : Text(1)[0];
                        break;
                }
            }
            out += line;
            out += Below(4) == 0 ? "\r\n" : "\n";
        }
        if (Below(20) == 0) return "\xFF\xFE" + out;  // odd: a UTF-16 mark over 8-bit text
        return out;
    }

  private:
    std::mt19937 Random;
};

TEST(RandomisedParsers, TextToIntHoldsItsPropertiesOnAnyText) {
    Generator g(1);
    for (int i = 0; i < 200000; ++i) {
        std::string text = g.Text(14);
        ASSERT_EQ(fuzzprops::CheckTextToInt(text), "") << "'" << text << "'";
    }
}

TEST(RandomisedParsers, ColorFromTextHoldsItsPropertiesOnAnyText) {
    Generator g(2);
    for (int i = 0; i < 200000; ++i) {
        std::string text = g.Text(14);
        ASSERT_EQ(fuzzprops::CheckColorFromText(text), "") << "'" << text << "'";
    }
    for (const auto& entry : ColorNames) ASSERT_EQ(fuzzprops::CheckColorFromText(entry.Name), "");
}

TEST(RandomisedParsers, RegistryFilesWriteBackToTheSameValues) {
    Generator g(3);
    int parsed = 0;
    for (int i = 0; i < 50000; ++i) {
        std::string file = g.RegFile();
        ASSERT_EQ(fuzzprops::CheckRegFile(file), "") << file;
        parsed += std::holds_alternative<RegFileDocument>(ParseRegFile(file));
    }
    // The generator must reach the writer, not only the error paths.
    EXPECT_GT(parsed, 2500);
    for (int i = 0; i < 20000; ++i) {
        std::string bytes = g.Text(200);
        ASSERT_EQ(fuzzprops::CheckRegFile(bytes), "");
        ASSERT_EQ(fuzzprops::CheckRegFile("REGEDIT4\n" + bytes), "") << bytes;
    }
}

}  // namespace
