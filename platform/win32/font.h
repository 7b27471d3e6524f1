// The program's Japanese UI face: "ＭＳ Ｐゴシック" where the system has it, else the first
// proportional Japanese face found that also has Latin letters.
#pragma once

// The face name to put into a LOGFONTW (at most 31 characters and a NUL).
const wchar_t* JapaneseUiFace();
