// The two kinds of error the settings raise, and the application's standard error report.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

class MessageBoxService;

// Base of the errors that reach the standard error report; the message is Shift-JIS.
class ReportedError : public std::runtime_error {
  public:
    explicit ReportedError(const std::string& sjisMessage) : std::runtime_error(sjisMessage) {}
};

// A registry call failed (messages from the settings accessor).
class RegistryError : public ReportedError {
  public:
    using ReportedError::ReportedError;
};

// A text is not an integer.
class ConvertError : public ReportedError {
  public:
    using ReportedError::ReportedError;
};

// Substitutes `arg` for the single "%s" of a Shift-JIS message format.
std::string FormatMessage1(std::string_view format, std::string_view arg);

// The report's text: the message with a full stop appended unless its last character is "." or
// sorts before it.
std::string StandardErrorText(std::string_view sjisMessage);

// The application title, the caption of every report.
inline constexpr std::string_view kApplicationTitle = "Velmora";

// Shows `error` the way the application reports an error that leaves an event handler: its
// message with the full-stop rule, caption "Velmora", stop icon, OK.
void ReportError(MessageBoxService& box, const std::exception& error);
