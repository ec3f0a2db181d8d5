#include "Inflate.h"

#include <isa-l.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "Error.h"

namespace kel {

namespace {

// Input and output move in chunks of this size, so memory stays flat whatever the stream's size.
constexpr size_t kChunkSize = 256 * 1024;

struct Step {
    size_t used = 0;        // input bytes taken from this call's buffer
    size_t made = 0;        // output bytes written into this call's buffer
    bool finished = false;  // the end of the zlib stream, trailer checked, was reached
    size_t unused = 0;      // once finished: bytes taken that lie after the stream's end
};

[[noreturn]] void ThrowDamaged() {
    throw Error("zlib data is damaged");
}

class Inflater {
  public:
    virtual ~Inflater() = default;
    virtual Step Run(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) = 0;
};

class ZlibInflater : public Inflater {
  public:
    ZlibInflater() {
        if (inflateInit2(&FStream, MAX_WBITS) != Z_OK)
            throw Error("zlib cannot start inflating");
    }
    ~ZlibInflater() override { inflateEnd(&FStream); }

    Step Run(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) override {
        FStream.next_in = const_cast<Bytef*>(in);
        FStream.avail_in = static_cast<uInt>(inSize);
        FStream.next_out = out;
        FStream.avail_out = static_cast<uInt>(outSize);
        const int status = inflate(&FStream, Z_NO_FLUSH);
        if (status == Z_MEM_ERROR)
            throw Error("out of memory while inflating");
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            ThrowDamaged();
        return {inSize - FStream.avail_in, outSize - FStream.avail_out, status == Z_STREAM_END, 0};
    }

  private:
    z_stream FStream{};
};

class IsalInflater : public Inflater {
  public:
    IsalInflater() : FState(std::make_unique<inflate_state>()) {
        isal_inflate_init(FState.get());
        // Parses the zlib header and verifies the Adler-32 trailer.
        FState->crc_flag = ISAL_ZLIB;
    }

    Step Run(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) override {
        CheckWindowSize(in, inSize);
        FState->next_in = const_cast<uint8_t*>(in);
        FState->avail_in = static_cast<uint32_t>(inSize);
        FState->next_out = out;
        FState->avail_out = static_cast<uint32_t>(outSize);
        const int status = isal_inflate(FState.get());
        if (status < 0 || status == ISAL_NEED_DICT)
            ThrowDamaged();
        Step step{inSize - FState->avail_in, outSize - FState->avail_out,
                  FState->block_state == ISAL_BLOCK_FINISH, 0};
        // ISA-L reads ahead into a bit buffer; the whole bytes left there follow the stream.
        if (step.finished)
            step.unused = static_cast<size_t>(FState->read_in_length / 8);
        return step;
    }

  private:
    // zlib refuses a header that declares a window above 32 KiB; ISA-L accepts it. Once both
    // header bytes are in, the same header gets the same verdict from either engine.
    void CheckWindowSize(const uint8_t* in, size_t inSize) {
        if (FHeaderSeen >= 2)
            return;
        const size_t take = std::min(inSize, size_t{2} - FHeaderSeen);
        std::memcpy(FHeader + FHeaderSeen, in, take);
        FHeaderSeen += take;
        if (FHeaderSeen == 2 && (FHeader[0] >> 4) > 7)
            ThrowDamaged();
    }

    std::unique_ptr<inflate_state> FState;
    uint8_t FHeader[2] = {};
    size_t FHeaderSeen = 0;
};

std::unique_ptr<Inflater> MakeInflater(InflateEngine engine) {
    if (engine == InflateEngine::Zlib)
        return std::make_unique<ZlibInflater>();
    return std::make_unique<IsalInflater>();
}

std::string SizeText(uint64_t bytes) {
    constexpr uint64_t kMiB = 1 << 20;
    if (bytes >= kMiB && bytes % kMiB == 0)
        return Format("%llu MiB", Ull(bytes / kMiB));
    return Format("%llu bytes", Ull(bytes));
}

}  // namespace

InflateResult InflateZlib(const InflateReader& read, const InflateWriter& write, uint64_t maxOutput,
                          InflateEngine engine) {
    const auto inflater = MakeInflater(engine);
    std::vector<uint8_t> in(kChunkSize);
    std::vector<uint8_t> out(kChunkSize);
    size_t inPos = 0;
    size_t inEnd = 0;
    bool inputEnded = false;
    InflateResult result;
    while (true) {
        if (inPos == inEnd && !inputEnded) {
            inPos = 0;
            inEnd = read(in.data(), in.size());
            inputEnded = inEnd == 0;
        }
        const Step step = inflater->Run(in.data() + inPos, inEnd - inPos, out.data(), out.size());
        inPos += step.used;
        result.consumed += step.used;
        if (step.made > 0) {
            if (step.made > maxOutput - result.produced)
                throw Error("inflated data exceeds " + SizeText(maxOutput));
            write(out.data(), step.made);
            result.produced += step.made;
        }
        if (step.finished) {
            result.consumed -= step.unused;
            return result;
        }
        if (inputEnded && step.used == 0 && step.made == 0)
            throw Error("zlib data ends early");
    }
}

void DecompressStream(std::vector<uint8_t>& stream, uint64_t maxOutput, InflateEngine engine) {
    size_t position = 0;
    std::vector<uint8_t> inflated;
    InflateZlib(
        [&](uint8_t* buf, size_t capacity) {
            const size_t size = std::min(capacity, stream.size() - position);
            if (size > 0)
                std::memcpy(buf, stream.data() + position, size);
            position += size;
            return size;
        },
        [&](const uint8_t* data, size_t size) {
            inflated.insert(inflated.end(), data, data + size);
        },
        maxOutput, engine);
    stream.swap(inflated);
}

}  // namespace kel
