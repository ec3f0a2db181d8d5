#pragma once
// The head of a Flash movie: signature, version, length, and the background colour that its
// SetBackgroundColor tag declares near the start of the body.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kel {

// Body bytes looked at for the SetBackgroundColor tag, after the 8-byte file header.
constexpr int kSwfHeadSize = 30;
constexpr uint32_t kSwfWhite = 0xFFFFFF;

struct TSwfHeader {
    std::array<char, 4> Signature{};  // "FWS" (plain) or "CWS" (zlib from byte 8 on), NUL-ended
    uint8_t Version = 0;
    int32_t FileLength = 0;  // the whole file's length once inflated
    uint32_t BgColor = 0;    // 0x00RRGGBB; white when no tag was found, 0 after a failed read
};

// Fills `header` from the file. True when the header was read to its end, tag found or not;
// false when a read inside it failed (BgColor is then 0). Throws kel::Error naming the file
// when it cannot be opened as a regular file.
bool ReadSwfHeader(const std::string& fileName, TSwfHeader& header);

// Replaces `buffer`, which starts with a zlib stream, by the first `count` bytes that stream
// inflates to, inflating no further. Throws kel::Error when `count` is not positive, when the
// stream is damaged or when it inflates to fewer bytes.
void InflateSwfHead(std::vector<uint8_t>& buffer, int count);

}  // namespace kel
