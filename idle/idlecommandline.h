// velmora-idle's command line and its --help, made from its option rows: the rows of
// IdleSettingTable that name an option, and the program's own.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "launcher/argumentreader.h"

struct IdleCommandLine {
    enum class Action { Run, Help, Version, Error };
    Action What = Action::Run;
    // --timeout's text as given; checked where the stored one is, so a bad one is reported the
    // same way and the default used.
    std::optional<std::string> Timeout;
    std::string Problem;  // for Action::Error
};

IdleCommandLine ParseIdleCommandLine(std::span<const std::string_view> args);

// The options, as --help and the manual page list them.
std::span<const OptionRow> IdleOptionRows();

std::string IdleUsageText();
