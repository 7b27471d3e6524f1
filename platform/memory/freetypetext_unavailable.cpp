// FreeTypeText where the build has no FreeType (the Windows cross build): there is no face to
// open, so construction fails as it does on a system without a Japanese font, and callers fall
// back to drawing text as boxes.
#include "platform/memory/freetypetext.h"

#include <stdexcept>

struct FreeTypeText::Impl {};

FreeTypeText::FreeTypeText(std::string_view) {
    throw std::runtime_error("FreeType is not part of this build");
}

FreeTypeText::~FreeTypeText() = default;

void FreeTypeText::SetCharHeight(int) {}
TextExtent FreeTypeText::Measure(std::string_view) {
    return {};
}
void FreeTypeText::Render(std::string_view, std::int32_t, std::int32_t, PlotFn, void*) {}
void FreeTypeText::Prepare(std::string_view) {}
