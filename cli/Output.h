#pragma once
// How kelpack reports: errors and warnings on stderr, each prefixed "kelpack: ".

#include <string>

namespace kelpack {

void PrintError(const std::string& message);
void PrintWarning(const std::string& message);

// The text with control characters written as escapes (\n, \t, \xNN), so that one value
// stays on one line of a listing.
std::string Printable(const std::string& text);

bool StdoutIsTerminal();

}  // namespace kelpack
