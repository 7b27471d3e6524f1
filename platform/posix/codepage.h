// Shift-JIS (code page 932) to and from UTF-8 with glibc's iconv, for the Linux boundaries: the
// program keeps its texts in code page 932 and converts them only where they leave it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Bytes that are not valid code page 932 come out as U+FFFD, so a text always converts.
std::string SjisToUtf8(std::string_view sjis);

// For a terminal: the text in the encoding of the current locale's LC_CTYPE (set it from the
// environment first). Characters the encoding lacks come out as "?".
std::string SjisToLocale(std::string_view sjis);

// The same with control characters (C0, DEL, C1) shown escaped, as "\e", "\a" or "\x9b": for
// texts that come from a file, whose escape sequences would otherwise set the terminal's title
// or clear its screen.
std::string SjisForTerminal(std::string_view sjis);

// Empty when the text is not valid UTF-8 or holds a character code page 932 lacks.
std::optional<std::string> Utf8ToSjis(std::string_view utf8);

// UTF-16LE (no byte-order mark) to UTF-8 and back; a lone surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view utf16);
std::string Utf8ToUtf16Le(std::string_view utf8);
