// What documents the settings options, made from the same list the command line reads: the
// XScreenSaver settings description (velmora.xml) and the manual page's list of options.
#pragma once

#include <string>
#include <string_view>

// velmora.xml: the hack's command and one control per option. Controls left at their first
// state pass nothing, so the stored settings apply.
std::string XScreenSaverConfig();

// The manual page's OPTIONS entries (troff), one .TP per option.
std::string ManualOptions();

// `page` with "@OPTIONS@" replaced by ManualOptions() and "@VERSION@" by `version`.
std::string FillManualPage(std::string_view page, std::string_view version);
