#include "FlashInfo.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "Error.h"
#include "TestUtil.h"

namespace kel {
namespace {

using Bytes = std::vector<uint8_t>;

// --- A tiny SWF builder -------------------------------------------------------------------

// SWF packs rectangles most significant bit first.
class BitWriter {
  public:
    void Put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (FUsed % 8 == 0)
                FBytes.push_back(0);
            if (value >> i & 1)
                FBytes.back() |= static_cast<uint8_t>(0x80 >> FUsed % 8);
            ++FUsed;
        }
    }
    const Bytes& Done() const { return FBytes; }

  private:
    Bytes FBytes;
    int FUsed = 0;
};

// Frame rectangle from (0, 0) to (xMax, yMax) twips, each coordinate `nbits` wide.
Bytes Rect(int nbits, uint32_t xMax, uint32_t yMax) {
    BitWriter bits;
    bits.Put(nbits, 5);
    for (uint32_t value : {0u, xMax, 0u, yMax})
        bits.Put(value, nbits);
    return bits.Done();
}

Bytes Rect615x550() {
    return Rect(15, 615 * 20, 550 * 20);
}

Bytes Tag(uint16_t code, const Bytes& payload) {
    Bytes out;
    const bool isShort = payload.size() < 0x3F;
    const uint16_t head = static_cast<uint16_t>(code << 6 | (isShort ? payload.size() : 0x3F));
    out = {static_cast<uint8_t>(head), static_cast<uint8_t>(head >> 8)};
    if (!isShort)
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(payload.size() >> 8 * i));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes SetBackgroundColor(uint8_t red, uint8_t green, uint8_t blue) {
    return Tag(9, {red, green, blue});
}

Bytes Filler(size_t size) {
    return Tag(2, Bytes(size, 0));
}

// Rectangle, 12 fps, frame count, then `tags` followed by a frame's worth of further tags,
// so that the body is always longer than the part the reader looks at.
Bytes Body(const Bytes& rect, std::initializer_list<Bytes> tags, uint16_t frameCount = 1) {
    Bytes out = rect;
    const uint8_t frames[] = {0x00, 0x0C, static_cast<uint8_t>(frameCount),
                              static_cast<uint8_t>(frameCount >> 8)};
    out.insert(out.end(), std::begin(frames), std::end(frames));
    for (const Bytes& tag : tags)
        out.insert(out.end(), tag.begin(), tag.end());
    for (const Bytes& tag : {Tag(1, {}), Filler(40), Tag(0, {})})
        out.insert(out.end(), tag.begin(), tag.end());
    return out;
}

// Header, then the body as stored ("CWS": zlib). FileLength is the true length unless given.
Bytes Movie(const std::string& signature, const Bytes& body,
            std::optional<int32_t> fileLength = std::nullopt, uint8_t version = 10) {
    const uint32_t length = static_cast<uint32_t>(fileLength.value_or(8 + body.size()));
    Bytes out(signature.begin(), signature.end());
    out.push_back(version);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(length >> 8 * i));
    const Bytes stored = signature == "CWS" ? test::ZlibCompress(body) : body;
    out.insert(out.end(), stored.begin(), stored.end());
    return out;
}

Bytes Truncated(Bytes bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

Bytes Patched(Bytes bytes, size_t at, uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

const Bytes kColourFirst = Body(Rect615x550(), {SetBackgroundColor(0x12, 0x34, 0x56)});
// Tag at body offset 22: 9 rectangle bytes, 4 frame bytes, a 9-byte tag.
const Bytes kColourAt22 = Body(Rect615x550(), {Filler(7), SetBackgroundColor(0x12, 0x34, 0x56)});
// The frame count's high byte is 0x43: a rectangle skipped one byte short pairs it with the
// tag's 0x43 and misses the tag; one byte long misses it too.
Bytes ColourBehindRect(int nbits, uint32_t max) {
    return Movie("FWS",
                 Body(Rect(nbits, max, max), {SetBackgroundColor(0x12, 0x34, 0x56)}, 0x4300));
}
Bytes RawTail(const Bytes& tail) {
    return Movie("FWS", Body(Rect(0, 0, 0), {tail}));
}

struct ReadCase {
    std::string name;
    Bytes file;
    bool ok;
    uint32_t color;
};

std::ostream& operator<<(std::ostream& os, const ReadCase& c) {
    return os << c.name;
}

// clang-format off
const std::vector<ReadCase> kReadCases = {
    {"PlainColourFirst", Movie("FWS", kColourFirst), true, 0x123456},
    {"CompressedColourFirst", Movie("CWS", kColourFirst), true, 0x123456},
    {"OtherSignatureReadAsPlain", Movie("ZWS", kColourFirst), true, 0x123456},
    {"FlvPlayerShape", Movie("CWS", Body(Rect615x550(), {SetBackgroundColor(0xFF, 0xFF, 0xFF), Filler(13500)}), 13570, 8), true, kSwfWhite},
    {"TagBehindFirst30BodyBytes", Movie("FWS", Body(Rect615x550(), {Filler(16), SetBackgroundColor(0x12, 0x34, 0x56)})), true, kSwfWhite},
    {"TagStartAsLastBufferByte", Movie("FWS", Body(Rect615x550(), {Filler(14), SetBackgroundColor(0x12, 0x34, 0x56)})), false, 0},
    {"ColourCutOffByBufferEnd", Movie("FWS", Body(Rect615x550(), {Filler(12), SetBackgroundColor(0x12, 0x34, 0x56)})), false, 0},
    {"CompressedLength30ScansOnly22Bytes", Movie("CWS", kColourAt22, 30), true, kSwfWhite},
    {"CompressedFullLengthScans30Bytes", Movie("CWS", kColourAt22), true, 0x123456},
    {"DoubledTagStartIsNoTag", RawTail({0x43, 0x43, 0x02, 0x12, 0x34, 0x56}), true, kSwfWhite},
    {"TripledTagStartPairsOff", RawTail({0x43, 0x43, 0x43, 0x02, 0x12, 0x34, 0x56}), true, 0x123456},
    {"RectNbits0", ColourBehindRect(0, 0), true, 0x123456},
    {"RectNbits1", ColourBehindRect(1, 0), true, 0x123456},
    {"RectNbits2", ColourBehindRect(2, 1), true, 0x123456},
    {"RectNbits15", ColourBehindRect(15, 12300), true, 0x123456},
    {"RectNbits31", ColourBehindRect(31, 0x3FFFFFFF), true, 0x123456},
    {"EmptyFile", {}, false, 0},
    {"PlainFileOf20Bytes", Truncated(Movie("FWS", kColourFirst), 20), false, 0},
    {"PlainFileOf37Bytes", Truncated(Movie("FWS", kColourFirst), 37), false, 0},
    {"PlainFileOf38Bytes", Truncated(Movie("FWS", kColourFirst), 38), true, 0x123456},
    {"CompressedLength9", Movie("CWS", kColourFirst, 9), false, 0},
    {"CompressedLength8", Movie("CWS", kColourFirst, 8), false, 0},
    {"CompressedLength0", Movie("CWS", kColourFirst, 0), false, 0},
    {"CompressedLengthMinus1", Movie("CWS", kColourFirst, -1), false, 0},
    {"CompressedLengthMostNegative", Movie("CWS", kColourFirst, INT32_MIN), false, 0},
    {"CompressedHeaderDamaged", Patched(Movie("CWS", kColourFirst), 8, 0x00), false, 0},
    {"CompressedBlockDamaged", Patched(Movie("CWS", kColourFirst), 10, 0xFF), false, 0},
    {"CompressedDataCutOff", Truncated(Movie("CWS", kColourFirst), 12), false, 0},
    {"CompressedBodyShorterThanBuffer", Movie("CWS", Bytes(10, 0), 100), false, 0},
};
// clang-format on

class ReadSwfHeaderTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadSwfHeaderTest, FindsBackgroundColour) {
    const ReadCase& c = GetParam();
    test::TempFolder folder;
    test::WriteAll(folder / "movie.swf", c.file);
    TSwfHeader header;
    EXPECT_EQ(ReadSwfHeader(folder / "movie.swf", header), c.ok);
    EXPECT_EQ(header.BgColor, c.color);
}

INSTANTIATE_TEST_SUITE_P(Movies, ReadSwfHeaderTest, testing::ValuesIn(kReadCases),
                         [](const testing::TestParamInfo<ReadCase>& info) {
                             return info.param.name;
                         });

TEST(ReadSwfHeader, FillsHeaderFields) {
    test::TempFolder folder;
    test::WriteAll(folder / "player.swf", Movie("CWS", kColourFirst, 13570, 8));
    TSwfHeader header;
    ASSERT_TRUE(ReadSwfHeader(folder / "player.swf", header));
    EXPECT_STREQ(header.Signature.data(), "CWS");
    EXPECT_EQ(header.Version, 8);
    EXPECT_EQ(header.FileLength, 13570);
    EXPECT_EQ(header.BgColor, 0x123456u);
}

TEST(ReadSwfHeader, FailedReadKeepsFieldsReadAndStartsFromZero) {
    test::TempFolder folder;
    test::WriteAll(folder / "good.swf", Movie("FWS", kColourFirst));
    test::WriteAll(folder / "bad.swf", Movie("CWS", kColourFirst, 8, 7));
    TSwfHeader header;
    ASSERT_TRUE(ReadSwfHeader(folder / "good.swf", header));
    ASSERT_EQ(header.BgColor, 0x123456u);

    EXPECT_FALSE(ReadSwfHeader(folder / "bad.swf", header));
    EXPECT_STREQ(header.Signature.data(), "CWS");
    EXPECT_EQ(header.Version, 7);
    EXPECT_EQ(header.FileLength, 8);
    EXPECT_EQ(header.BgColor, 0u);
}

TEST(ReadSwfHeader, FileThatCannotBeOpenedThrowsNamingIt) {
    test::TempFolder folder;
    for (const std::string& path : {folder / "missing.swf", folder.Path().string()}) {
        SCOPED_TRACE(path);
        TSwfHeader header;
        try {
            ReadSwfHeader(path, header);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
}

TEST(InflateSwfHead, KeepsOnlyTheFirstBytesAndInflatesNoFurther) {
    const Bytes content = test::SampleBytes(1 << 20, 7);
    Bytes buffer = test::ZlibCompress(content);
    // Damage the end of the stream: a reader that inflated it whole would fail.
    for (size_t i = buffer.size() - 64; i < buffer.size(); ++i)
        buffer[i] ^= 0x5A;
    InflateSwfHead(buffer, kSwfHeadSize);
    EXPECT_EQ(buffer, Bytes(content.begin(), content.begin() + kSwfHeadSize));
}

TEST(InflateSwfHead, RefusesWhatCannotGiveCountBytes) {
    const Bytes stream = test::ZlibCompress(test::Bytes("short content"));
    const struct {
        const char* name;
        Bytes buffer;
        int count;
    } cases[] = {
        {"count beyond content", stream, 14},
        {"zero count", stream, 0},
        {"negative count", stream, -5},
        {"not zlib", test::Bytes("plain text, not zlib"), 4},
        {"empty", {}, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes buffer = c.buffer;
        EXPECT_THROW(InflateSwfHead(buffer, c.count), Error);
    }
    Bytes whole = stream;
    InflateSwfHead(whole, 13);
    EXPECT_EQ(whole, test::Bytes("short content"));
}

}  // namespace
}  // namespace kel
