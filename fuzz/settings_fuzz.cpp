// libFuzzer target for the settings' text parsers: TextToInt, ColorFromText and the registry
// file parser. The first input byte picks the parser.
#include <cstdio>
#include <cstdlib>

#include "fuzz/properties.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    if (size == 0) return 0;
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string problem;
    switch (data[0] % 3) {
        case 0:
            problem = fuzzprops::CheckTextToInt(text);
            break;
        case 1:
            problem = fuzzprops::CheckColorFromText(text);
            break;
        default:
            problem = fuzzprops::CheckRegFile(text);
            break;
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
