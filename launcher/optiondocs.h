// What documents a program's options, made from the rows its command line reads: the option
// list of --help and the option entries of the manual page.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "launcher/argumentreader.h"

// --help's lines for `rows`: the spellings and the value, then the help from column 24, wrapped
// to fit 80 columns. A row without help is left out.
std::string OptionHelp(std::span<const OptionRow> rows);

// The manual page's entries for `rows` (troff), one .TP each.
std::string ManualOptions(std::span<const OptionRow> rows);

// `page` with its "@OPTIONS@" line replaced by ManualOptions(rows) and "@VERSION@" by `version`.
std::string FillManualPage(std::string_view page, std::string_view version,
                           std::span<const OptionRow> rows);
