#pragma once
// Text-to-value conversions with the exact behaviour and error texts the catalogue and the
// package directory rely on.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel {

// The value of one hexadecimal digit in either case; -1 for any other character.
int HexDigitValue(char c);

// Equal when only ASCII letter case differs; other bytes (UTF-8 text) compare exactly.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Signed 32-bit integer: optional leading blanks, optional sign, decimal digits, or hexadecimal
// after "$" or "0x". Nothing may follow. Empty on anything else, including overflow.
std::optional<int32_t> TryStrToInt(const std::string& text);

// TryStrToInt, throwing kel::Error "'<text>' is not a valid integer value".
int32_t StrToInt(const std::string& text);

// TryStrToInt, or `fallback` when the text is not an integer.
int32_t StrToIntDef(const std::string& text, int32_t fallback);

// Truth value: a number (zero false, anything else true) or "True"/"False" in any letter case.
std::optional<bool> TryStrToBool(const std::string& text);

// TryStrToBool, throwing kel::Error "'<text>' is not a valid boolean value".
bool StrToBool(const std::string& text);

}  // namespace kel
