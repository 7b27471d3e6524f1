// velmora-idle's command line, its --help and its manual page's options, made from the rows of
// IdleSettingTable that name an option.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

struct IdleCommandLine {
    enum class Action { Run, Help, Version, Error };
    Action What = Action::Run;
    // --timeout's text as given; checked where the stored one is, so a bad one is reported the
    // same way and the default used.
    std::optional<std::string> Timeout;
    std::string Problem;  // for Action::Error
};

IdleCommandLine ParseIdleCommandLine(std::span<const std::string_view> args);

std::string IdleUsageText();
// The manual page's OPTIONS entries for the settings options (troff).
std::string IdleManualOptions();
// `page` with "@OPTIONS@" replaced by IdleManualOptions() and "@VERSION@" by `version`.
std::string FillIdleManualPage(std::string_view page, std::string_view version);
