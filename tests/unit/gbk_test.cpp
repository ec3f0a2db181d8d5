#include <gtest/gtest.h>

#include "Error.h"
#include "Gbk.h"

namespace kel {
namespace {

TEST(Gbk, RoundTripsTextIncludingCharactersOutsideGb2312) {
    struct Case {
        std::string utf8;
        std::string gbk;
    };
    const Case cases[] = {
        {"", ""},
        {"lesson.swf", "lesson.swf"},
        {"动画", "\xB6\xAF\xBB\xAD"},
        // U+9555 is in GBK but not in GB2312.
        {"\xE9\x95\x95", "\xE9\x46"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.utf8;
    }
}

TEST(Gbk, RefusesTextItCannotEncodeOrDecode) {
    try {
        Utf8ToGbk("课件😀");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'课件😀' cannot be written in GBK");
    }
    EXPECT_THROW(Utf8ToGbk("\xFF\xFE"), Error);  // not UTF-8
    EXPECT_THROW(GbkToUtf8("\x81"), Error);      // a lead byte without its trail
    EXPECT_THROW(GbkToUtf8("a\xFF\xFF"
                           "b"),
                 Error);  // no such character
}

TEST(Gbk, ItemElementNamesEncodeAndDecode) {
    const std::string name = "BEGCCBCBBAFB8C6B5C4BDE1B9B9C4A3D0CDEND";
    EXPECT_EQ(EncodeItemElementName("碳化钙的结构模型"), name);
    EXPECT_EQ(DecodeItemElementName(name), "碳化钙的结构模型");
    EXPECT_EQ(EncodeItemElementName("A"), "BEG41END");
    EXPECT_EQ(DecodeItemElementName("BEG61END"), "a");
    EXPECT_EQ(DecodeItemElementName("BEGEND"), "");
    EXPECT_THROW(EncodeItemElementName("😀"), Error);
}

TEST(Gbk, DecodingKeepsNamesThatAreNotOfTheForm) {
    for (const std::string name : {"Lesson", "BEG4END", "BEG4GEND", "BEGFFFFEND", "XEG41END",
                                   "BEG41ENX", "BEG81END", "BEGEN"})
        EXPECT_EQ(DecodeItemElementName(name), name);
}

}  // namespace
}  // namespace kel
