// Shift-JIS to UTF-16 at the Win32 boundary: the program keeps its texts in code page 932 and
// converts them only where they reach a wide API, so they show whatever the system's ANSI code
// page is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Converts into `out` (capacity `capacity` wide characters, NUL-terminated when room is left);
// returns the number of wide characters written, without the NUL. Allocates nothing, so frames
// may call it. A text longer than the buffer is cut.
std::size_t SjisToWide(std::string_view sjis, wchar_t* out, std::size_t capacity);

// The same for texts off the frame path (captions, messages).
std::wstring SjisToWide(std::string_view sjis);

// UTF-16 back to Shift-JIS, for texts read from controls.
std::string WideToSjis(std::wstring_view wide);
