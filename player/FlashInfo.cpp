#include "FlashInfo.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "Error.h"
#include "Inflate.h"
#include "InputFile.h"

namespace kel {

namespace {

// SetBackgroundColor (tag code 9, length 3) as a short tag header, little-endian.
constexpr uint8_t kTagFirst = 0x43;
constexpr uint8_t kTagSecond = 0x02;
// Compressed input is read in pieces this size, so a large movie is never read whole.
constexpr size_t kInputChunk = 4096;

// The texts the player shows for a movie it cannot open.
std::string MovieOpenFailure(const std::string& path, const char* reason) {
    return Format("Cannot open file \"%s\". %s", path.c_str(), reason);
}

void ReadExact(InputFile& file, uint8_t* buf, size_t size) {
    if (file.Read(buf, size) != size)
        throw Error(Format("Stream read error in \"%s\"", file.Path().c_str()));
}

// Inflates the zlib stream that `read` supplies until `count` bytes are out, and no further.
std::vector<uint8_t> InflateHead(const InflateReader& read, int64_t count) {
    if (count <= 0)
        throw Error(Format("Nothing to inflate (%lld bytes asked)", static_cast<long long>(count)));
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        throw Error("Cannot start zlib inflation");
    const std::unique_ptr<z_stream, decltype(&inflateEnd)> end(&zs, inflateEnd);

    std::vector<uint8_t> out(static_cast<size_t>(count));
    std::array<uint8_t, kInputChunk> in;
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(count);
    while (zs.avail_out > 0) {
        if (zs.avail_in == 0) {
            zs.next_in = in.data();
            zs.avail_in = static_cast<uInt>(read(in.data(), in.size()));
            if (zs.avail_in == 0)
                throw Error("Compressed movie data ends early");
        }
        const int rc = inflate(&zs, Z_NO_FLUSH);
        if (rc == Z_STREAM_END && zs.avail_out > 0)
            throw Error(Format("Compressed movie data inflates to fewer than %lld bytes",
                               static_cast<long long>(count)));
        if (rc != Z_OK && rc != Z_STREAM_END)
            throw Error("Compressed movie data is damaged");
    }
    return out;
}

// Reads the body buffer front to back; reading past its end fails like a short file read.
class BodyReader {
  public:
    explicit BodyReader(const std::vector<uint8_t>& bytes) : FBytes(bytes) {}

    uint8_t Next() {
        Skip(1);
        return FBytes[FPos - 1];
    }
    void Skip(size_t count) {
        if (count > FBytes.size() - FPos)
            throw Error("Movie header ends early");
        FPos += count;
    }
    bool AtEnd() const { return FPos >= FBytes.size(); }

  private:
    const std::vector<uint8_t>& FBytes;
    size_t FPos = 0;
};

// The first body bytes: inflated as far as the header's length allows for "CWS", else as stored.
std::vector<uint8_t> ReadBody(InputFile& file, const TSwfHeader& header) {
    if (std::string_view(header.Signature.data()) == "CWS") {
        // In 64 bits, so that a length that is negative as a 32-bit number stays negative.
        const int64_t count = std::min<int64_t>(int64_t{header.FileLength} - 8, kSwfHeadSize);
        return InflateHead([&file](uint8_t* buf, size_t size) { return file.Read(buf, size); },
                           count);
    }
    std::vector<uint8_t> body(kSwfHeadSize);
    ReadExact(file, body.data(), body.size());
    return body;
}

// Scans pair by pair: a 0x43 that is the second byte of a pair is not the start of another.
bool FindBackgroundTag(BodyReader& body) {
    do {
        if (body.Next() == kTagFirst && body.Next() == kTagSecond)
            return true;
    } while (!body.AtEnd());
    return false;
}

void ReadHeaderFields(InputFile& file, TSwfHeader& header) {
    ReadExact(file, reinterpret_cast<uint8_t*>(header.Signature.data()), 3);
    ReadExact(file, &header.Version, 1);
    uint8_t length[4];
    ReadExact(file, length, sizeof length);
    header.FileLength = static_cast<int32_t>(length[0] | length[1] << 8 | length[2] << 16 |
                                             static_cast<uint32_t>(length[3]) << 24);
}

uint32_t ReadBackgroundColor(const std::vector<uint8_t>& bytes) {
    BodyReader body(bytes);
    const uint8_t rectFirst = body.Next();
    // The frame rectangle holds 5 + 4 * Nbits bits (Nbits = top five bits), padded to bytes.
    body.Skip((rectFirst >> 4) + ((rectFirst >> 3) & 1));
    body.Skip(4);  // frame rate and frame count
    if (!FindBackgroundTag(body))
        return kSwfWhite;
    const uint32_t red = body.Next();
    const uint32_t green = body.Next();
    const uint32_t blue = body.Next();
    return red << 16 | green << 8 | blue;
}

}  // namespace

bool ReadSwfHeader(const std::string& fileName, TSwfHeader& header) {
    header = TSwfHeader{};
    InputFile file(fileName, MovieOpenFailure);
    try {
        ReadHeaderFields(file, header);
        header.BgColor = ReadBackgroundColor(ReadBody(file, header));
        return true;
    } catch (const Error&) {
        return false;
    }
}

void InflateSwfHead(std::vector<uint8_t>& buffer, int count) {
    size_t offset = 0;
    buffer = InflateHead(
        [&buffer, &offset](uint8_t* buf, size_t size) {
            const size_t n = std::min(size, buffer.size() - offset);
            if (n > 0)
                std::memcpy(buf, buffer.data() + offset, n);
            offset += n;
            return n;
        },
        count);
}

}  // namespace kel
