#include "Convert.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "Error.h"

namespace kel {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

// Hexadecimal takes the full 32 bits ("$FFFFFFFF" is -1), decimal only the signed range.
std::optional<int32_t> ParseMagnitude(std::string_view digits, bool negative) {
    const bool hex = !digits.empty() && (digits.front() == '$' || digits.starts_with("0x") ||
                                         digits.starts_with("0X"));
    if (hex)
        digits.remove_prefix(digits.front() == '$' ? 1 : 2);
    if (digits.empty())
        return std::nullopt;
    const uint64_t limit = hex        ? std::numeric_limits<uint32_t>::max()
                           : negative ? uint64_t{1} << 31
                                      : (uint64_t{1} << 31) - 1;
    const int base = hex ? 16 : 10;
    uint64_t value = 0;
    for (char c : digits) {
        const int digit = hex ? HexDigitValue(c) : (IsDigit(c) ? c - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * base + static_cast<uint64_t>(digit);
        if (value > limit)
            return std::nullopt;
    }
    const auto bits = static_cast<uint32_t>(value);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
}

// A real number in plain or exponent notation, with optional blanks around it. Returns whether it
// is non-zero, which is all a truth value needs; the exponent cannot make a zero mantissa non-zero
// nor the reverse.
std::optional<bool> ParseRealIsNonZero(std::string_view text) {
    text = SkipBlanks(text);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        text.remove_prefix(1);
    size_t i = 0;
    bool anyDigit = false;
    bool nonZero = false;
    auto takeDigits = [&] {
        while (i < text.size() && IsDigit(text[i])) {
            anyDigit = true;
            nonZero = nonZero || text[i] != '0';
            ++i;
        }
    };
    takeDigits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        takeDigits();
    }
    if (!anyDigit)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const size_t exponentStart = i;
        while (i < text.size() && IsDigit(text[i]))
            ++i;
        if (i == exponentStart)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    return nonZero;
}

}  // namespace

int HexDigitValue(char c) {
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<int32_t> TryStrToInt(const std::string& text) {
    std::string_view rest = SkipBlanks(text);
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    return ParseMagnitude(rest, negative);
}

int32_t StrToInt(const std::string& text) {
    if (auto value = TryStrToInt(text))
        return *value;
    throw Error(Format("'%s' is not a valid integer value", text.c_str()));
}

int32_t StrToIntDef(const std::string& text, int32_t fallback) {
    return TryStrToInt(text).value_or(fallback);
}

std::optional<bool> TryStrToBool(const std::string& text) {
    if (auto nonZero = ParseRealIsNonZero(text))
        return nonZero;
    if (EqualsIgnoringAsciiCase(text, "True"))
        return true;
    if (EqualsIgnoringAsciiCase(text, "False"))
        return false;
    return std::nullopt;
}

bool StrToBool(const std::string& text) {
    if (auto value = TryStrToBool(text))
        return *value;
    throw Error(Format("'%s' is not a valid boolean value", text.c_str()));
}

}  // namespace kel
