// The program's Japanese UI face: "ＭＳ Ｐゴシック" where the system has it, else the first
// proportional Japanese face found that also has Latin letters.
#pragma once

#include <span>

// The face name to put into a LOGFONTW (at most 31 characters and a NUL).
const wchar_t* JapaneseUiFace();

// The faces looked for, in order of preference.
std::span<const wchar_t* const> JapaneseUiFaces();
// Whether the system has a font family of that name.
bool FaceExists(const wchar_t* face);
