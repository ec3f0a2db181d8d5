#pragma once
// Writes small Flash movies of one frame for AVM1 (SWF version 8): a background colour, solid
// rectangles, text fields in device fonts and FSCommands. The project's sample lessons and
// tests make their movies with it.

#include <cstdint>
#include <string>
#include <vector>

namespace kel::swf {

constexpr uint8_t kVersion = 8;
constexpr int kTwipsPerPixel = 20;
// The largest stage Flash accepts, in pixels; rectangles keep within it too, so that every
// edge fits the 17 bits a straight edge can hold.
constexpr int kMaxStageSize = 2880;

// The tag codes this writer uses.
enum class TagCode : uint16_t {
    End = 0,
    ShowFrame = 1,
    DefineShape = 2,
    SetBackgroundColor = 9,
    DoAction = 12,
    PlaceObject2 = 26,
    DefineEditText = 37,
    FrameLabel = 43,
    DefineFont2 = 48,
};

// Positions and sizes are stage pixels; colours are 0xRRGGBB.
struct Rect {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    uint32_t Color = 0;
};

// A read-only, unselectable text field whose top-left corner is at (X, Y), in the device font
// `Font` (the player draws it with a system font of that name), `Size` pixels high. Font and
// Content are UTF-8.
struct Text {
    int X = 0;
    int Y = 0;
    std::string Font;
    int Size = 0;
    uint32_t Color = 0;
    std::string Content;
};

// Sent by the first frame, in order, as Flash 5-8 movies send them (a GetURL to
// "FSCommand:<Command>" with <Args> as the target).
struct FsCommand {
    std::string Command;
    std::string Args;
};

struct Movie {
    int Width = 0;  // the stage
    int Height = 0;
    uint32_t Background = 0xFFFFFF;
    double FrameRate = 12;
    std::vector<Rect> Rects;  // drawn in order, below the texts
    std::vector<Text> Texts;
    std::vector<FsCommand> FsCommands;
};

// The whole file: "FWS", or with `compress` "CWS" and the body after the 8-byte header as one
// zlib stream. A movie too small for the head the player reads its background colour from gets
// a frame label to fill it. Throws kel::Error naming what SWF cannot hold (a size or position out
// of range, a frame rate outside 1/256..255, a font name over 255 bytes, a text that is not UTF-8
// or holds a NUL).
std::vector<uint8_t> WriteMovie(const Movie& movie, bool compress);

}  // namespace kel::swf
