#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Convert.h"
#include "Error.h"

namespace kel {
namespace {

struct IntCase {
    std::string text;
    std::optional<int32_t> value;
};

TEST(Convert, TryStrToIntAcceptsDecimalAndHexInThe32BitRange) {
    const IntCase cases[] = {
        {"0", 0},
        {"1429101", 1429101},
        {"  42", 42},
        {"+7", 7},
        {"-5", -5},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"$1F", 31},
        {"0x1f", 31},
        {"0X10", 16},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"$100000000", std::nullopt},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"12 ", std::nullopt},
        {"1.5", std::nullopt},
        {"- 5", std::nullopt},
        {"\t5", std::nullopt},
        {"12abc", std::nullopt},
        {"$G", std::nullopt},
        {"1e3", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TryStrToInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(Convert, StrToIntThrowsTheExactTextAndStrToIntDefFallsBack) {
    EXPECT_EQ(StrToInt(" -12"), -12);
    try {
        StrToInt("12a");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'12a' is not a valid integer value");
    }
    EXPECT_EQ(StrToIntDef("2147483648", 0), 0);
    EXPECT_EQ(StrToIntDef("x", -3), -3);
    EXPECT_EQ(StrToIntDef("1104", 0), 1104);
}

struct BoolCase {
    std::string text;
    std::optional<bool> value;
};

TEST(Convert, TryStrToBoolTakesNumbersAndTheWords) {
    const BoolCase cases[] = {
        {"-1", true},          {"0", false},          {"1", true},
        {"2", true},           {"0.0", false},        {"-0", false},
        {".5", true},          {"5.", true},          {"1e3", true},
        {"0e9", false},        {"1.5E-3", true},      {" 0 ", false},
        {"True", true},        {"true", true},        {"TRUE", true},
        {"False", false},      {"fAlSe", false},      {"", std::nullopt},
        {"yes", std::nullopt}, {"1e", std::nullopt},  {".", std::nullopt},
        {"e5", std::nullopt},  {"inf", std::nullopt}, {"nan", std::nullopt},
        {"0x1", std::nullopt}, {"--1", std::nullopt}, {" True", std::nullopt},
        {"1,5", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TryStrToBool(c.text), c.value) << '"' << c.text << '"';
}

TEST(Convert, StrToBoolThrowsTheExactText) {
    EXPECT_TRUE(StrToBool("-1"));
    try {
        StrToBool("");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid boolean value");
    }
    EXPECT_THROW(StrToBool("maybe"), Error);
}

TEST(Convert, FormatGrowsToAnyLength) {
    EXPECT_EQ(Format("%s (%d)", "List index out of bounds", 3), "List index out of bounds (3)");
    const std::string long_text(5000, 'x');
    EXPECT_EQ(Format("[%s]", long_text.c_str()), "[" + long_text + "]");
    EXPECT_EQ(Format("%s", ""), "");
}

}  // namespace
}  // namespace kel
