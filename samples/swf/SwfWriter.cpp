#include "SwfWriter.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <string_view>
#include <utility>

#include "Error.h"
#include "FlashInfo.h"

namespace kel::swf {

namespace {

// A tag body this long or longer needs the long tag header (the short one's length field is 6
// bits, and 0x3F there announces a 32-bit length).
constexpr size_t kLongTagLength = 0x3F;
// The largest coordinate in twips the writer puts into a rectangle, whose fields hold up to
// 31 bits.
constexpr int64_t kMaxTwips = (int64_t{1} << 30) - 1;

constexpr uint8_t kActionGetUrl = 0x83;
constexpr uint8_t kActionStop = 0x07;
constexpr uint8_t kActionEnd = 0x00;

// DefineFont2: the character codes are 16 bits wide, as SWF 6 and later require.
constexpr uint8_t kFontWideCodes = 0x04;
// DefineEditText: HasText, ReadOnly, HasTextColor, HasFont; then NoSelect (UseOutlines off, so
// the text is drawn with the system's font of the name given).
constexpr uint8_t kEditTextFlags1 = 0x80 | 0x08 | 0x04 | 0x01;
constexpr uint8_t kEditTextFlags2 = 0x10;
// PlaceObject2: HasMatrix, HasCharacter.
constexpr uint8_t kPlaceFlags = 0x04 | 0x02;
// A text field's margin between its bounds and its text, on every side.
constexpr int kTextGutter = 2;

// Bits a signed field needs for `value`, sign included.
int SignedBits(int64_t value) {
    const uint64_t magnitude = static_cast<uint64_t>(value < 0 ? ~value : value);
    return std::bit_width(magnitude) + 1;
}

// Bytes written front to back; bit fields most significant bit first, and every byte-sized
// field starts on a byte boundary.
class Buffer {
  public:
    void Bits(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if (FFreeBits == 0) {
                FBytes.push_back(0);
                FFreeBits = 8;
            }
            --FFreeBits;
            if (value >> i & 1)
                FBytes.back() |= static_cast<uint8_t>(1 << FFreeBits);
        }
    }
    void SignedBits(int64_t value, int count) { Bits(static_cast<uint32_t>(value), count); }

    void U8(uint8_t value) {
        FFreeBits = 0;
        FBytes.push_back(value);
    }
    void U16(uint16_t value) {
        U8(static_cast<uint8_t>(value));
        U8(static_cast<uint8_t>(value >> 8));
    }
    void U32(uint32_t value) {
        U16(static_cast<uint16_t>(value));
        U16(static_cast<uint16_t>(value >> 16));
    }
    void Raw(std::string_view bytes) {
        for (char c : bytes)
            U8(static_cast<uint8_t>(c));
    }
    // A NUL-terminated string.
    void String(std::string_view text) {
        Raw(text);
        U8(0);
    }
    void Rgb(uint32_t color) {
        U8(static_cast<uint8_t>(color >> 16));
        U8(static_cast<uint8_t>(color >> 8));
        U8(static_cast<uint8_t>(color));
    }
    void Append(const std::vector<uint8_t>& bytes) {
        FFreeBits = 0;
        FBytes.insert(FBytes.end(), bytes.begin(), bytes.end());
    }

    const std::vector<uint8_t>& Bytes() const { return FBytes; }
    std::vector<uint8_t>& Bytes() { return FBytes; }

  private:
    std::vector<uint8_t> FBytes;
    int FFreeBits = 0;  // unused low bits of the last byte
};

// A RECT from (xMin, yMin) to (xMax, yMax), in twips.
void WriteRect(Buffer& out, int64_t xMin, int64_t xMax, int64_t yMin, int64_t yMax) {
    int bits = 1;
    for (int64_t value : {xMin, xMax, yMin, yMax})
        bits = std::max(bits, SignedBits(value));
    out.Bits(bits, 5);
    for (int64_t value : {xMin, xMax, yMin, yMax})
        out.SignedBits(value, bits);
}

// A MATRIX that only moves, by (x, y) twips.
void WriteTranslation(Buffer& out, int64_t x, int64_t y) {
    const int bits = std::max(SignedBits(x), SignedBits(y));
    out.Bits(0, 2);  // no scale, no rotation
    out.Bits(bits, 5);
    out.SignedBits(x, bits);
    out.SignedBits(y, bits);
}

void WriteTag(Buffer& out, TagCode code, const Buffer& body) {
    const size_t length = body.Bytes().size();
    const auto head = static_cast<uint16_t>(static_cast<uint16_t>(code) << 6);
    if (length < kLongTagLength) {
        out.U16(static_cast<uint16_t>(head | length));
    } else {
        out.U16(static_cast<uint16_t>(head | kLongTagLength));
        out.U32(static_cast<uint32_t>(length));
    }
    out.Append(body.Bytes());
}

// The code points of a UTF-8 text; throws for bytes that are not UTF-8 and for a NUL, which
// would end the string early in the movie.
std::vector<char32_t> CodePoints(std::string_view text, const char* what) {
    const auto notUtf8 = [&] {
        return Error(
            Format("%s is not UTF-8: \"%.*s\"", what, static_cast<int>(text.size()), text.data()));
    };
    std::vector<char32_t> out;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i++]);
        const int extra = lead < 0x80         ? 0
                          : lead >> 5 == 0x06 ? 1
                          : lead >> 4 == 0x0E ? 2
                          : lead >> 3 == 0x1E ? 3
                                              : -1;
        if (extra < 0 || text.size() - i < static_cast<size_t>(extra))
            throw notUtf8();
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 0; k < extra; ++k) {
            const auto next = static_cast<uint8_t>(text[i++]);
            if (next >> 6 != 0x2)
                throw notUtf8();
            code = code << 6 | (next & 0x3F);
        }
        if (code == 0)
            throw Error(Format("%s holds a NUL character", what));
        out.push_back(code);
    }
    return out;
}

void CheckRange(const char* what, int64_t value, int64_t low, int64_t high) {
    if (value < low || value > high)
        throw Error(Format("%s %lld is out of range (%lld to %lld)", what,
                           static_cast<long long>(value), static_cast<long long>(low),
                           static_cast<long long>(high)));
}

void CheckPosition(const char* what, int x, int y) {
    CheckRange(what, x, -kMaxStageSize, kMaxStageSize);
    CheckRange(what, y, -kMaxStageSize, kMaxStageSize);
}

// Wide enough for the text in whatever font the player finds for the name: a full em for every
// character (the widest, CJK and capitals such as W, take about that) and one em to spare,
// plus the gutters. A field has no border or background, so the spare width does not show.
int64_t TextFieldWidthTwips(const Text& text, size_t characters) {
    const int64_t pixels = (static_cast<int64_t>(characters) + 1) * text.Size + 2 * kTextGutter;
    return pixels * kTwipsPerPixel;
}

// A line of the text with room for CJK ascent and descent.
int64_t TextFieldHeightTwips(const Text& text) {
    return (text.Size * 3 / 2 + 2 * kTextGutter) * kTwipsPerPixel;
}

class MovieWriter {
  public:
    explicit MovieWriter(const Movie& movie) : FMovie(movie) {}

    std::vector<uint8_t> Body() {
        CheckRange("stage width", FMovie.Width, 1, kMaxStageSize);
        CheckRange("stage height", FMovie.Height, 1, kMaxStageSize);
        CheckRange("background colour", FMovie.Background, 0, 0xFFFFFF);
        const double rate = std::round(FMovie.FrameRate * 256);
        if (!(rate >= 1 && rate <= 0xFFFF))
            throw Error(Format("frame rate %g is out of range (1/256 to 255)", FMovie.FrameRate));

        WriteRect(FOut, 0, int64_t{FMovie.Width} * kTwipsPerPixel, 0,
                  int64_t{FMovie.Height} * kTwipsPerPixel);
        FOut.U16(static_cast<uint16_t>(rate));  // 8.8 fixed point
        FOut.U16(1);                            // frame count
        // First, so that the colour lies within the body's head that players read it from.
        Buffer background;
        background.Rgb(FMovie.Background);
        WriteTag(FOut, TagCode::SetBackgroundColor, background);

        for (const Rect& rect : FMovie.Rects)
            DefineShape(rect);
        for (const Text& text : FMovie.Texts)
            DefineFont(text.Font);
        for (const Text& text : FMovie.Texts)
            DefineEditText(text);
        for (size_t i = 0; i < FPlacements.size(); ++i)
            PlaceObject(static_cast<uint16_t>(i + 1), FPlacements[i]);
        DoAction();
        FrameLabelUpToHeadSize();
        WriteTag(FOut, TagCode::ShowFrame, {});
        WriteTag(FOut, TagCode::End, {});
        return std::move(FOut.Bytes());
    }

  private:
    struct Placement {
        uint16_t Id;
        int X;
        int Y;
    };

    uint16_t NewId() { return ++FLastId; }

    // A rectangle of the solid fill, drawn clockwise from its top-left corner at (0, 0).
    void DefineShape(const Rect& rect) {
        CheckPosition("rectangle position", rect.X, rect.Y);
        CheckRange("rectangle width", rect.Width, 1, kMaxStageSize);
        CheckRange("rectangle height", rect.Height, 1, kMaxStageSize);
        CheckRange("rectangle colour", rect.Color, 0, 0xFFFFFF);
        const int64_t width = int64_t{rect.Width} * kTwipsPerPixel;
        const int64_t height = int64_t{rect.Height} * kTwipsPerPixel;
        const uint16_t id = NewId();

        Buffer body;
        body.U16(id);
        WriteRect(body, 0, width, 0, height);
        body.U8(1);  // one fill style: solid
        body.U8(0x00);
        body.Rgb(rect.Color);
        body.U8(0);       // no line styles
        body.Bits(1, 4);  // fill style index bits
        body.Bits(0, 4);  // line style index bits
        // A style change record: no new styles, no line style, fill style 1 (on the right of
        // the edges, so inside a clockwise outline), no fill style 0, a move to (0, 0).
        body.Bits(0b000101, 6);
        body.Bits(1, 5);
        body.SignedBits(0, 1);
        body.SignedBits(0, 1);
        body.Bits(1, 1);  // fill style 1
        for (const auto& [dx, dy] : {std::pair{width, int64_t{0}}, std::pair{int64_t{0}, height},
                                     std::pair{-width, int64_t{0}}, std::pair{int64_t{0}, -height}})
            StraightEdge(body, dx, dy);
        body.Bits(0, 6);  // end of shape
        WriteTag(FOut, TagCode::DefineShape, body);
        FPlacements.push_back({id, rect.X, rect.Y});
    }

    // A horizontal (dy 0) or vertical edge.
    static void StraightEdge(Buffer& body, int64_t dx, int64_t dy) {
        const bool vertical = dx == 0;
        const int64_t delta = vertical ? dy : dx;
        const int bits = std::max(2, SignedBits(delta));
        body.Bits(0x3, 2);  // edge record, straight
        body.Bits(bits - 2, 4);
        body.Bits(0, 1);  // not a general line
        body.Bits(vertical ? 1 : 0, 1);
        body.SignedBits(delta, bits);
    }

    // The device font of that name, defined once: a name and no glyphs.
    void DefineFont(const std::string& name) {
        if (FFonts.contains(name))
            return;
        if (name.empty() || name.size() > 0xFF)
            throw Error(Format("font name \"%s\" must be 1 to 255 bytes long", name.c_str()));
        CodePoints(name, "font name");
        const uint16_t id = NewId();
        Buffer body;
        body.U16(id);
        body.U8(kFontWideCodes);
        body.U8(0);  // no language
        body.U8(static_cast<uint8_t>(name.size()));
        body.Raw(name);
        body.U16(0);  // no glyphs
        // The code table offset even so: some readers expect it, the others stop before it.
        body.U16(2);
        WriteTag(FOut, TagCode::DefineFont2, body);
        FFonts.emplace(name, id);
    }

    void DefineEditText(const Text& text) {
        CheckPosition("text position", text.X, text.Y);
        CheckRange("text size", text.Size, 1, kMaxStageSize);
        CheckRange("text colour", text.Color, 0, 0xFFFFFF);
        const size_t characters = CodePoints(text.Content, "text").size();
        const int64_t width = TextFieldWidthTwips(text, characters);
        if (width > kMaxTwips)
            throw Error(Format("text of %zu characters is too long", characters));
        const uint16_t id = NewId();

        Buffer body;
        body.U16(id);
        WriteRect(body, 0, width, 0, TextFieldHeightTwips(text));
        body.U8(kEditTextFlags1);
        body.U8(kEditTextFlags2);
        body.U16(FFonts.at(text.Font));
        body.U16(static_cast<uint16_t>(text.Size * kTwipsPerPixel));
        body.Rgb(text.Color);
        body.U8(0xFF);    // opaque
        body.String("");  // no variable
        body.String(text.Content);
        WriteTag(FOut, TagCode::DefineEditText, body);
        FPlacements.push_back({id, text.X, text.Y});
    }

    void PlaceObject(uint16_t depth, const Placement& placement) {
        Buffer body;
        body.U8(kPlaceFlags);
        body.U16(depth);
        body.U16(placement.Id);
        WriteTranslation(body, int64_t{placement.X} * kTwipsPerPixel,
                         int64_t{placement.Y} * kTwipsPerPixel);
        WriteTag(FOut, TagCode::PlaceObject2, body);
    }

    // The FSCommands, then a stop: a movie of one frame would otherwise loop and send them
    // again and again.
    void DoAction() {
        Buffer body;
        for (const FsCommand& command : FMovie.FsCommands) {
            const std::string url = "FSCommand:" + command.Command;
            CodePoints(url, "FSCommand");
            CodePoints(command.Args, "FSCommand argument string");
            const size_t length = url.size() + 1 + command.Args.size() + 1;
            if (length > 0xFFFF)
                throw Error(Format("FSCommand \"%s\" is too long", command.Command.c_str()));
            body.U8(kActionGetUrl);
            body.U16(static_cast<uint16_t>(length));
            body.String(url);
            body.String(command.Args);
        }
        body.U8(kActionStop);
        body.U8(kActionEnd);
        WriteTag(FOut, TagCode::DoAction, body);
    }

    // Players read the background colour from the body's first kSwfHeadSize bytes and give up
    // on a plain movie shorter than that: a label for the frame makes up the difference.
    void FrameLabelUpToHeadSize() {
        constexpr size_t kHeadSize = kSwfHeadSize;
        constexpr size_t kShowFrameAndEnd = 4;
        constexpr size_t kLabelOverhead = 3;  // short tag header, terminating NUL
        const size_t size = FOut.Bytes().size() + kShowFrameAndEnd;
        if (size >= kHeadSize)
            return;
        std::string label = "frame";
        label.resize(std::max(label.size(), kHeadSize - size - kLabelOverhead), '_');
        Buffer body;
        body.String(label);
        WriteTag(FOut, TagCode::FrameLabel, body);
    }

    const Movie& FMovie;
    Buffer FOut;
    uint16_t FLastId = 0;
    std::map<std::string, uint16_t> FFonts;
    std::vector<Placement> FPlacements;
};

std::vector<uint8_t> Compress(const std::vector<uint8_t>& data) {
    uLongf size = compressBound(data.size());
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, data.data(), data.size(), Z_BEST_COMPRESSION) != Z_OK)
        throw Error("Cannot compress the movie");
    out.resize(size);
    return out;
}

}  // namespace

std::vector<uint8_t> WriteMovie(const Movie& movie, bool compress) {
    const std::vector<uint8_t> body = MovieWriter(movie).Body();
    Buffer out;
    out.Raw(compress ? "CWS" : "FWS");
    out.U8(kVersion);
    out.U32(static_cast<uint32_t>(8 + body.size()));  // the inflated length for "CWS"
    out.Append(compress ? Compress(body) : body);
    return std::move(out.Bytes());
}

}  // namespace kel::swf
