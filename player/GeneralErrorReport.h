#pragma once
// The general error report: every command the user or a timer starts runs through RunGuarded,
// which turns an escaped error into a message box and lets the player go on.

#include <functional>
#include <string>

namespace kel {

// The application title: caption of the error report and name of the one-instance rule.
inline constexpr char kApplicationTitle[] = "Korvat教育 - Lumivo播放器";

// The error's text as the report shows it: a full stop is appended when the last character
// sorts after "." (letters, digits, CJK text), so "'abc' is not a valid integer value." but
// "List index out of bounds (5)" stays as it is.
std::string ErrorReportText(const std::string& what);

// Shows the report for an error text. By default a modal message box (critical icon, an OK
// button, the application title as caption) plus the same text as one line on stderr.
void ReportError(const std::string& what);

// Replaces what ReportError does (tests record the texts); an empty reporter restores the box.
using TErrorReporter = std::function<void(const std::string& text)>;
void SetErrorReporter(TErrorReporter reporter);

// Runs the command; any std::exception that escapes it goes to ReportError.
void RunGuarded(const std::function<void()>& command);

}  // namespace kel
