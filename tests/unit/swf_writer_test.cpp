#include "SwfWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Error.h"
#include "FlashInfo.h"
#include "TestUtil.h"

namespace kel::swf {
namespace {

using Bytes = std::vector<uint8_t>;

// --- A small reader of the movies -----------------------------------------------------------

// Little-endian bytes and bit fields most significant bit first; a byte read starts at the next
// byte boundary. Reading past the end throws, which fails the test.
class Reader {
  public:
    explicit Reader(Bytes bytes) : FBytes(std::move(bytes)) {}

    uint32_t Bits(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (FBitsLeft == 0) {
                FCurrent = Next();
                FBitsLeft = 8;
            }
            value = value << 1 | (FCurrent >> --FBitsLeft & 1);
        }
        return value;
    }
    int64_t Signed(int count) {
        const int64_t value = Bits(count);
        return count > 0 && value >> (count - 1) ? value - (int64_t{1} << count) : value;
    }
    uint8_t U8() {
        FBitsLeft = 0;
        return Next();
    }
    uint16_t U16() {
        const uint8_t low = U8();
        return static_cast<uint16_t>(low | U8() << 8);
    }
    uint32_t U32() {
        const uint16_t low = U16();
        return low | static_cast<uint32_t>(U16()) << 16;
    }
    uint32_t Rgb() {
        const uint32_t red = U8();
        const uint32_t green = U8();
        return red << 16 | green << 8 | U8();
    }
    Bytes Take(size_t count) {
        Bytes out;
        for (size_t i = 0; i < count; ++i)
            out.push_back(U8());
        return out;
    }
    std::string Text(size_t count) {
        const Bytes bytes = Take(count);
        return {bytes.begin(), bytes.end()};
    }
    std::string CString() {
        std::string out;
        for (uint8_t c = U8(); c != 0; c = U8())
            out.push_back(static_cast<char>(c));
        return out;
    }
    size_t Left() const { return FBytes.size() - FPos; }

  private:
    uint8_t Next() {
        if (FPos >= FBytes.size())
            throw std::runtime_error("read past the end");
        return FBytes[FPos++];
    }

    Bytes FBytes;
    size_t FPos = 0;
    uint8_t FCurrent = 0;
    int FBitsLeft = 0;
};

struct Box {
    int64_t XMin, XMax, YMin, YMax;  // twips
    bool operator==(const Box&) const = default;
};

Box ReadBox(Reader& in) {
    const int bits = static_cast<int>(in.Bits(5));
    Box box{};
    for (int64_t* field : {&box.XMin, &box.XMax, &box.YMin, &box.YMax})
        *field = in.Signed(bits);
    return box;
}

struct Tag {
    TagCode Code;
    bool LongHeader;
    Bytes Body;
};

struct ParsedMovie {
    std::string Signature;
    uint8_t Version = 0;
    uint32_t FileLength = 0;
    size_t Length = 0;  // header and body as inflated
    Box Stage{};
    uint16_t FrameRate = 0;
    uint16_t FrameCount = 0;
    std::vector<Tag> Tags;  // up to End, which must be the last bytes

    std::vector<Tag> All(TagCode code) const {
        std::vector<Tag> out;
        for (const Tag& tag : Tags)
            if (tag.Code == code)
                out.push_back(tag);
        return out;
    }
};

Bytes InflateAll(const Bytes& stored) {
    uLongf size = 1 << 20;
    uLong consumed = stored.size();
    Bytes out(size);
    if (uncompress2(out.data(), &size, stored.data(), &consumed) != Z_OK ||
        consumed != stored.size())
        throw std::runtime_error("the body is not one whole zlib stream");
    out.resize(size);
    return out;
}

ParsedMovie Parse(const Bytes& file) {
    ParsedMovie movie;
    Reader head(file);
    movie.Signature = head.Text(3);
    movie.Version = head.U8();
    movie.FileLength = head.U32();
    const Bytes stored(file.begin() + 8, file.end());
    const Bytes body = movie.Signature == "CWS" ? InflateAll(stored) : stored;
    movie.Length = 8 + body.size();

    Reader in(body);
    movie.Stage = ReadBox(in);
    movie.FrameRate = in.U16();
    movie.FrameCount = in.U16();
    do {
        const uint16_t codeAndLength = in.U16();
        const bool isLong = (codeAndLength & 0x3F) == 0x3F;
        const uint32_t length = isLong ? in.U32() : codeAndLength & 0x3F;
        movie.Tags.push_back(
            {TagCode{static_cast<uint16_t>(codeAndLength >> 6)}, isLong, in.Take(length)});
    } while (movie.Tags.back().Code != TagCode::End);
    if (in.Left() != 0)
        throw std::runtime_error("bytes after the End tag");
    return movie;
}

struct Font {
    uint16_t Id;
    uint8_t Flags;
    std::string Name;
    uint16_t Glyphs;
};

Font ReadFont(const Tag& tag) {
    Reader in(tag.Body);
    Font font{};
    font.Id = in.U16();
    font.Flags = in.U8();
    in.U8();  // language
    font.Name = in.Text(in.U8());
    font.Glyphs = in.U16();
    return font;
}

struct EditText {
    uint16_t Id;
    Box Bounds;
    uint8_t Flags1, Flags2;
    uint16_t FontId, Height;
    uint32_t Color;
    uint8_t Alpha;
    std::string Variable, Content;
    size_t Left;  // bytes after the text
};

EditText ReadEditText(const Tag& tag) {
    Reader in(tag.Body);
    EditText text{};
    text.Id = in.U16();
    text.Bounds = ReadBox(in);
    text.Flags1 = in.U8();
    text.Flags2 = in.U8();
    text.FontId = in.U16();
    text.Height = in.U16();
    text.Color = in.Rgb();
    text.Alpha = in.U8();
    text.Variable = in.CString();
    text.Content = in.CString();
    text.Left = in.Left();
    return text;
}

struct Placement {
    uint8_t Flags;
    uint16_t Depth, Id;
    int64_t X, Y;
};

Placement ReadPlacement(const Tag& tag) {
    Reader in(tag.Body);
    Placement place{};
    place.Flags = in.U8();
    place.Depth = in.U16();
    place.Id = in.U16();
    EXPECT_EQ(in.Bits(2), 0u) << "scale or rotation";
    const int bits = static_cast<int>(in.Bits(5));
    place.X = in.Signed(bits);
    place.Y = in.Signed(bits);
    return place;
}

// A shape of one solid fill and straight edges, its outline followed from its first move.
struct Shape {
    uint16_t Id;
    Box Bounds;
    uint32_t Fill;
    uint32_t FillStyle0 = 0, FillStyle1 = 0;
    std::vector<std::pair<int64_t, int64_t>> Outline;
};

Shape ReadShape(const Tag& tag) {
    Reader in(tag.Body);
    Shape shape{};
    shape.Id = in.U16();
    shape.Bounds = ReadBox(in);
    EXPECT_EQ(in.U8(), 1) << "fill styles";
    EXPECT_EQ(in.U8(), 0x00) << "solid fill";
    shape.Fill = in.Rgb();
    EXPECT_EQ(in.U8(), 0) << "line styles";
    const int fillBits = static_cast<int>(in.Bits(4));
    const int lineBits = static_cast<int>(in.Bits(4));
    int64_t x = 0, y = 0;
    for (;;) {
        if (in.Bits(1) == 0) {
            const uint32_t flags = in.Bits(5);
            if (flags == 0)
                break;
            EXPECT_EQ(flags & 0x18, 0u) << "new styles or a line style";
            if (flags & 0x01) {
                const int bits = static_cast<int>(in.Bits(5));
                x = in.Signed(bits);
                y = in.Signed(bits);
                shape.Outline = {{x, y}};
            }
            if (flags & 0x02)
                shape.FillStyle0 = in.Bits(fillBits);
            if (flags & 0x04)
                shape.FillStyle1 = in.Bits(fillBits);
            in.Bits(flags & 0x08 ? lineBits : 0);
            continue;
        }
        if (in.Bits(1) == 0)
            throw std::runtime_error("a curved edge");
        const int bits = static_cast<int>(in.Bits(4)) + 2;
        if (in.Bits(1)) {
            x += in.Signed(bits);
            y += in.Signed(bits);
        } else if (in.Bits(1)) {
            y += in.Signed(bits);
        } else {
            x += in.Signed(bits);
        }
        shape.Outline.emplace_back(x, y);
    }
    EXPECT_EQ(in.Left(), 0u);
    return shape;
}

struct Action {
    uint8_t Code;
    std::string Url, Target;  // of a GetURL
    bool operator==(const Action&) const = default;
};

std::vector<Action> ReadActions(const Tag& tag) {
    Reader in(tag.Body);
    std::vector<Action> actions;
    for (uint8_t code = in.U8(); code != 0; code = in.U8()) {
        Action action{code, {}, {}};
        if (code >= 0x80) {
            Reader record(in.Take(in.U16()));
            if (code == 0x83) {
                action.Url = record.CString();
                action.Target = record.CString();
            }
            EXPECT_EQ(record.Left(), 0u);
        }
        actions.push_back(action);
    }
    EXPECT_EQ(in.Left(), 0u);
    return actions;
}

// --- The movies -----------------------------------------------------------------------------

Movie Lesson() {
    Movie movie;
    movie.Width = 640;
    movie.Height = 240;
    movie.Background = 0x204080;
    movie.Rects = {{40, 60, 200, 100, 0xFFCC00}, {0, 200, 640, 40, 0x102030}};
    movie.Texts = {{260, 90, "宋体", 32, 0xFFFFFF, "第七课 动画 中文字"},
                   {10, 10, "_sans", 12, 0x000000, "Flash 8"},
                   {10, 210, "宋体", 20, 0xFF0000, "第二行"}};
    movie.FsCommands = {{"lesson", "seven"}};
    return movie;
}

Movie Blank(int width, int height, uint32_t background, double frameRate) {
    Movie movie;
    movie.Width = width;
    movie.Height = height;
    movie.Background = background;
    movie.FrameRate = frameRate;
    return movie;
}

struct HeaderCase {
    std::string Name;
    Movie Source;
    bool Compress;
};

std::ostream& operator<<(std::ostream& os, const HeaderCase& c) {
    return os << c.Name;
}

const std::vector<HeaderCase> kHeaderCases = {
    {"PlainOnePixel", Blank(1, 1, 0x000000, 12), false},
    {"CompressedOnePixel", Blank(1, 1, 0x000001, 12), true},
    {"PlainLesson", Lesson(), false},
    {"CompressedLesson", Lesson(), true},
    // 17-bit frame rectangle, the widest; a frame rate below one.
    {"PlainLargestStage", Blank(kMaxStageSize, kMaxStageSize, 0xFEDCBA, 0.5), false},
    {"CompressedLargestStage", Blank(kMaxStageSize, 1, 0xABCDEF, 255), true},
};

class SwfHeaderTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(SwfHeaderTest, HeaderAndBackgroundReadBack) {
    const HeaderCase& c = GetParam();
    const Bytes file = WriteMovie(c.Source, c.Compress);
    const ParsedMovie movie = Parse(file);
    EXPECT_EQ(movie.Signature, c.Compress ? "CWS" : "FWS");
    EXPECT_EQ(movie.Version, 8);
    EXPECT_EQ(movie.FileLength, movie.Length);
    if (!c.Compress) {
        EXPECT_EQ(movie.FileLength, file.size());
    }
    EXPECT_EQ(movie.Stage, (Box{0, c.Source.Width * 20, 0, c.Source.Height * 20}));
    EXPECT_EQ(movie.FrameRate, c.Source.FrameRate * 256);
    EXPECT_EQ(movie.FrameCount, 1);

    ASSERT_GE(movie.Tags.size(), 4u);
    EXPECT_EQ(movie.Tags.front().Code, TagCode::SetBackgroundColor);
    const uint32_t b = c.Source.Background;
    EXPECT_EQ(movie.Tags.front().Body, (Bytes{uint8_t(b >> 16), uint8_t(b >> 8), uint8_t(b)}));
    EXPECT_EQ(movie.All(TagCode::DoAction).size(), 1u);
    EXPECT_EQ(movie.Tags.end()[-2].Code, TagCode::ShowFrame);

    // As the player reads it, which fails on a plain movie shorter than the head it reads.
    test::TempFolder folder;
    test::WriteAll(folder / "movie.swf", file);
    TSwfHeader header;
    ASSERT_TRUE(ReadSwfHeader(folder / "movie.swf", header));
    EXPECT_STREQ(header.Signature.data(), c.Compress ? "CWS" : "FWS");
    EXPECT_EQ(header.FileLength, static_cast<int32_t>(movie.Length));
    EXPECT_EQ(header.BgColor, b);
}

INSTANTIATE_TEST_SUITE_P(Movies, SwfHeaderTest, testing::ValuesIn(kHeaderCases),
                         [](const testing::TestParamInfo<HeaderCase>& info) {
                             return info.param.Name;
                         });

TEST(SwfWriter, DefinesEverythingBeforePlacingRectanglesBelowTexts) {
    const ParsedMovie movie = Parse(WriteMovie(Lesson(), true));
    std::vector<TagCode> codes;
    for (const Tag& tag : movie.Tags)
        codes.push_back(tag.Code);
    using enum TagCode;
    EXPECT_EQ(codes, (std::vector{SetBackgroundColor, DefineShape, DefineShape, DefineFont2,
                                  DefineFont2, DefineEditText, DefineEditText, DefineEditText,
                                  PlaceObject2, PlaceObject2, PlaceObject2, PlaceObject2,
                                  PlaceObject2, DoAction, ShowFrame, End}));

    // Placed in definition order at depths 1, 2, ...: shapes first, so below the texts.
    std::vector<uint16_t> defined;
    for (const Tag& tag : movie.Tags)
        if (tag.Code == DefineShape || tag.Code == DefineEditText)
            defined.push_back(static_cast<uint16_t>(tag.Body[0] | tag.Body[1] << 8));
    const std::vector<Tag> places = movie.All(PlaceObject2);
    ASSERT_EQ(places.size(), defined.size());
    for (size_t i = 0; i < places.size(); ++i) {
        const Placement place = ReadPlacement(places[i]);
        EXPECT_EQ(place.Flags, 0x06) << "HasMatrix and HasCharacter only";
        EXPECT_EQ(place.Depth, i + 1);
        EXPECT_EQ(place.Id, defined[i]);
    }
}

struct TextCase {
    std::string Name;
    Text Source;
    int MinWidth;  // pixels for the characters at a full em each, gutters aside
};

std::ostream& operator<<(std::ostream& os, const TextCase& c) {
    return os << c.Name;
}

const std::vector<TextCase> kTextCases = {
    {"ChineseInSongTi", {260, 90, "宋体", 32, 0xFFFFFF, "第七课 动画 中文字"}, 11 * 32},
    {"MixedInHeiTi", {-5, 7, "黑体", 20, 0x123456, "ABC 中文 abc"}, 10 * 20},
    {"LatinInSans", {0, 0, "_sans", 12, 0xFF0000, "Hello, world"}, 12 * 12},
    {"Empty", {1, 2, "_serif", 1, 0x000000, ""}, 0},
};

class SwfTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(SwfTextTest, FontNameAndTextRoundTrip) {
    const Text& source = GetParam().Source;
    Movie written = Blank(640, 240, 0xFFFFFF, 12);
    written.Texts = {source};
    const ParsedMovie movie = Parse(WriteMovie(written, false));

    const std::vector<Tag> fonts = movie.All(TagCode::DefineFont2);
    ASSERT_EQ(fonts.size(), 1u);
    const Font font = ReadFont(fonts[0]);
    EXPECT_EQ(font.Name, source.Font);
    EXPECT_EQ(font.Flags, 0x04) << "wide codes only: no layout, not bold or italic";
    EXPECT_EQ(font.Glyphs, 0);

    const std::vector<Tag> texts = movie.All(TagCode::DefineEditText);
    ASSERT_EQ(texts.size(), 1u);
    const EditText text = ReadEditText(texts[0]);
    EXPECT_EQ(text.Content, source.Content);
    EXPECT_EQ(text.Variable, "");
    EXPECT_EQ(text.Left, 0u);
    EXPECT_EQ(text.FontId, font.Id);
    EXPECT_EQ(text.Height, source.Size * 20);
    EXPECT_EQ(text.Color, source.Color);
    EXPECT_EQ(text.Alpha, 0xFF);
    // HasText, ReadOnly, HasTextColor, HasFont; NoSelect. Above all not UseOutlines (0x01 of
    // the second byte), which would draw the text with the glyphs the font does not have.
    EXPECT_EQ(text.Flags1, 0x8D);
    EXPECT_EQ(text.Flags2, 0x10);
    EXPECT_EQ(text.Bounds.XMin, 0);
    EXPECT_EQ(text.Bounds.YMin, 0);
    EXPECT_GE(text.Bounds.XMax, (GetParam().MinWidth + 4) * 20);
    EXPECT_GE(text.Bounds.YMax, (source.Size + 4) * 20);

    const Placement place = ReadPlacement(movie.All(TagCode::PlaceObject2).at(0));
    EXPECT_EQ(place.Id, text.Id);
    EXPECT_EQ(place.X, source.X * 20);
    EXPECT_EQ(place.Y, source.Y * 20);
}

INSTANTIATE_TEST_SUITE_P(Texts, SwfTextTest, testing::ValuesIn(kTextCases),
                         [](const testing::TestParamInfo<TextCase>& info) {
                             return info.param.Name;
                         });

// A DefineFont2 body is 9 bytes besides the name: one either side of the 63 bytes from which
// on the long tag header is needed, and the longest name.
TEST(SwfWriter, TagHeaderIsLongFrom63Bytes) {
    for (const auto& [nameLength, bodyLength, isLong] :
         {std::tuple{53, 62u, false}, std::tuple{54, 63u, true}, std::tuple{255, 264u, true}}) {
        SCOPED_TRACE(nameLength);
        Movie written = Blank(100, 100, 0xFFFFFF, 12);
        written.Texts = {{0, 0, std::string(nameLength, 'f'), 10, 0, "x"}};
        const ParsedMovie movie = Parse(WriteMovie(written, false));
        const Tag font = movie.All(TagCode::DefineFont2).at(0);
        EXPECT_EQ(font.LongHeader, isLong);
        EXPECT_EQ(font.Body.size(), bodyLength);
        EXPECT_EQ(ReadFont(font).Name, written.Texts[0].Font);
    }
}

TEST(SwfWriter, RectanglesAreClockwiseOutlinesOfTheirFillPlacedAtTheirPosition) {
    const std::vector<Rect> rects = {
        {0, 0, 1, 1, 0x000000},
        {40, 60, 200, 100, 0xFFCC00},
        {-kMaxStageSize, kMaxStageSize, kMaxStageSize, kMaxStageSize, 0x00FF7F},
    };
    Movie written = Blank(640, 240, 0xFFFFFF, 12);
    written.Rects = rects;
    const ParsedMovie movie = Parse(WriteMovie(written, false));
    const std::vector<Tag> shapes = movie.All(TagCode::DefineShape);
    const std::vector<Tag> places = movie.All(TagCode::PlaceObject2);
    ASSERT_EQ(shapes.size(), rects.size());
    ASSERT_EQ(places.size(), rects.size());
    for (size_t i = 0; i < rects.size(); ++i) {
        SCOPED_TRACE(i);
        const int64_t w = rects[i].Width * 20, h = rects[i].Height * 20;
        const Shape shape = ReadShape(shapes[i]);
        EXPECT_EQ(shape.Bounds, (Box{0, w, 0, h}));
        EXPECT_EQ(shape.Fill, rects[i].Color);
        // Fill style 1 lies right of the edges: inside an outline that runs clockwise on
        // screen (y grows downwards).
        EXPECT_EQ(shape.FillStyle1, 1u);
        EXPECT_EQ(shape.FillStyle0, 0u);
        using P = std::pair<int64_t, int64_t>;
        EXPECT_EQ(shape.Outline, (std::vector<P>{{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}}));
        const Placement place = ReadPlacement(places[i]);
        EXPECT_EQ(place.Id, shape.Id);
        EXPECT_EQ(place.X, rects[i].X * 20);
        EXPECT_EQ(place.Y, rects[i].Y * 20);
    }
}

TEST(SwfWriter, FsCommandsAreGetUrlsFollowedByStop) {
    constexpr uint8_t kGetUrl = 0x83, kStop = 0x07;
    const std::vector<std::pair<std::vector<FsCommand>, std::vector<Action>>> cases = {
        {{}, {{kStop, {}, {}}}},
        {{{"quit", ""}}, {{kGetUrl, "FSCommand:quit", ""}, {kStop, {}, {}}}},
        {{{"lesson", "第七课"}, {"fullscreen", "true"}},
         {{kGetUrl, "FSCommand:lesson", "第七课"},
          {kGetUrl, "FSCommand:fullscreen", "true"},
          {kStop, {}, {}}}},
    };
    for (const auto& [commands, actions] : cases) {
        SCOPED_TRACE(commands.size());
        Movie written = Blank(100, 100, 0xFFFFFF, 12);
        written.FsCommands = commands;
        const ParsedMovie movie = Parse(WriteMovie(written, true));
        EXPECT_EQ(ReadActions(movie.All(TagCode::DoAction).at(0)), actions);
    }
}

TEST(SwfWriter, RefusesWhatTheFormatCannotHold) {
    const std::vector<std::pair<std::function<void(Movie&)>, std::string>> cases = {
        {[](Movie& m) { m.Width = 0; }, "stage width 0 is out of range"},
        {[](Movie& m) { m.Height = kMaxStageSize + 1; }, "stage height 2881 is out of range"},
        {[](Movie& m) { m.Background = 0x1000000; }, "background colour"},
        {[](Movie& m) { m.FrameRate = 0; }, "frame rate 0 is out of range"},
        {[](Movie& m) { m.FrameRate = 256; }, "frame rate 256 is out of range"},
        {[](Movie& m) { m.Rects[0].Width = 0; }, "rectangle width 0"},
        {[](Movie& m) { m.Rects[0].X = -kMaxStageSize - 1; }, "rectangle position -2881"},
        {[](Movie& m) { m.Texts[0].Size = 0; }, "text size 0"},
        {[](Movie& m) { m.Texts[0].Font = std::string(256, 'f'); }, "must be 1 to 255 bytes"},
        {[](Movie& m) { m.Texts[0].Font = ""; }, "must be 1 to 255 bytes"},
        {[](Movie& m) { m.Texts[0].Font = "\xCB\xCE\xCC\xE5"; }, "font name is not UTF-8"},
        {[](Movie& m) { m.Texts[0].Content = "\xE4\xB8"; }, "text is not UTF-8"},
        {[](Movie& m) { m.Texts[0].Content = std::string("a\0b", 3); }, "text holds a NUL"},
        {[](Movie& m) { m.FsCommands[0].Args = "\x80"; }, "FSCommand argument string is not UTF-8"},
    };
    for (const auto& [change, message] : cases) {
        SCOPED_TRACE(message);
        Movie movie = Lesson();
        change(movie);
        try {
            WriteMovie(movie, false);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace kel::swf
