#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "Error.h"
#include "Inflate.h"
#include "TestUtil.h"

namespace kel {
namespace {

using test::SampleBytes;
using test::ZlibCompress;

constexpr InflateEngine kEngines[] = {InflateEngine::Fast, InflateEngine::Zlib};

const char* EngineName(InflateEngine engine) {
    return engine == InflateEngine::Fast ? "ISA-L" : "zlib";
}

struct Outcome {
    std::vector<uint8_t> output;
    InflateResult result;
    std::optional<std::string> error;
};

// Inflates `input`, handed over at most `readSize` bytes per read.
Outcome Inflated(const std::vector<uint8_t>& input, InflateEngine engine,
                 size_t readSize = SIZE_MAX, uint64_t maxOutput = UINT64_MAX) {
    Outcome outcome;
    size_t position = 0;
    try {
        outcome.result = InflateZlib(
            [&](uint8_t* buf, size_t capacity) {
                const size_t n = std::min({capacity, readSize, input.size() - position});
                std::copy_n(input.data() + position, n, buf);
                position += n;
                return n;
            },
            [&](const uint8_t* data, size_t size) {
                outcome.output.insert(outcome.output.end(), data, data + size);
            },
            maxOutput, engine);
    } catch (const Error& e) {
        outcome.error = e.what();
    }
    return outcome;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(Inflate, BothEnginesGiveTheOriginalBytes) {
    const std::vector<uint8_t> inputs[] = {
        {},
        test::Bytes("a"),
        SampleBytes(1000, 3, 0.9),
        SampleBytes(3 << 20, 4, 0.5),    // mixed: several chunks both ways
        SampleBytes(600 << 10, 5, 0.0),  // incompressible: stored blocks over two input chunks
        std::vector<uint8_t>(5 << 20, 0),
    };
    for (const auto& original : inputs) {
        for (int level : {0, 1, 9}) {
            const auto compressed = ZlibCompress(original, level);
            for (auto engine : kEngines) {
                const Outcome outcome = Inflated(compressed, engine);
                ASSERT_FALSE(outcome.error) << EngineName(engine) << ": " << *outcome.error;
                EXPECT_TRUE(outcome.output == original)
                    << EngineName(engine) << " size " << original.size() << " level " << level;
                EXPECT_EQ(outcome.result.consumed, compressed.size());
                EXPECT_EQ(outcome.result.produced, original.size());
            }
        }
    }
}

TEST(Inflate, TinyReadsGiveTheSameBytes) {
    const auto original = SampleBytes(70000, 6, 0.7);
    const auto compressed = ZlibCompress(original);
    for (auto engine : kEngines) {
        for (size_t readSize : {size_t{1}, size_t{7}, size_t{4096}}) {
            const Outcome outcome =
                Inflated(Concat(compressed, test::Bytes("tail")), engine, readSize);
            ASSERT_FALSE(outcome.error) << EngineName(engine) << ": " << *outcome.error;
            EXPECT_TRUE(outcome.output == original) << EngineName(engine) << " reads " << readSize;
            EXPECT_EQ(outcome.result.consumed, compressed.size()) << EngineName(engine);
        }
    }
}

TEST(Inflate, TrailingBytesAreIgnoredAndNotCounted) {
    const std::vector<uint8_t> originals[] = {
        {}, SampleBytes(5000, 7, 0.5), SampleBytes(300 << 10, 8, 0.0)};
    const std::vector<uint8_t> tails[] = {test::Bytes("X"), SampleBytes(100, 9, 0.0),
                                          ZlibCompress(test::Bytes("second stream"))};
    for (const auto& original : originals) {
        const auto compressed = ZlibCompress(original);
        for (const auto& tail : tails) {
            for (auto engine : kEngines) {
                const Outcome outcome = Inflated(Concat(compressed, tail), engine);
                ASSERT_FALSE(outcome.error) << EngineName(engine) << ": " << *outcome.error;
                EXPECT_TRUE(outcome.output == original) << EngineName(engine);
                EXPECT_EQ(outcome.result.consumed, compressed.size()) << EngineName(engine);
            }
        }
    }
}

std::vector<uint8_t> Flipped(std::vector<uint8_t> bytes, size_t position, uint8_t mask = 0x01) {
    bytes[position] ^= mask;
    return bytes;
}

std::vector<uint8_t> Cut(const std::vector<uint8_t>& bytes, size_t size) {
    return {bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(size)};
}

TEST(Inflate, DamagedAndTruncatedStreamsGetTheSameVerdictFromBothEngines) {
    const auto original = SampleBytes(200000, 10, 0.6);
    const auto good = ZlibCompress(original);
    const size_t n = good.size();
    struct Case {
        const char* what;
        std::vector<uint8_t> input;
        const char* error;
    };
    const Case cases[] = {
        {"empty input", {}, "zlib data ends early"},
        {"one header byte", Cut(good, 1), "zlib data ends early"},
        {"header only", Cut(good, 2), "zlib data ends early"},
        {"cut in the data", Cut(good, n / 2), "zlib data ends early"},
        {"cut in the trailer", Cut(good, n - 2), "zlib data ends early"},
        {"trailer missing", Cut(good, n - 4), "zlib data ends early"},
        {"header check bits", Flipped(good, 1), "zlib data is damaged"},
        {"not deflate", Flipped(good, 0, 0x01), "zlib data is damaged"},
        {"window above 32 KiB", {0x88, 0x1C, 0x03, 0x00}, "zlib data is damaged"},
        {"window above 32 KiB, cut", {0x88}, "zlib data ends early"},
        {"preset dictionary", {0x78, 0xBB, 0, 0, 0, 1, 0x03, 0x00}, "zlib data is damaged"},
        {"bad block type", {0x78, 0x9C, 0x07, 0x00}, "zlib data is damaged"},
        {"gzip, not zlib", {0x1F, 0x8B, 0x08, 0x00}, "zlib data is damaged"},
        {"data byte", Flipped(good, n / 3, 0x10), "zlib data is damaged"},
        {"Adler-32 first byte", Flipped(good, n - 4), "zlib data is damaged"},
        {"Adler-32 last byte", Flipped(good, n - 1), "zlib data is damaged"},
    };
    for (const auto& c : cases) {
        for (auto engine : kEngines) {
            const Outcome outcome = Inflated(c.input, engine);
            ASSERT_TRUE(outcome.error) << c.what << " accepted by " << EngineName(engine);
            EXPECT_EQ(*outcome.error, c.error) << c.what << " by " << EngineName(engine);
        }
    }
}

TEST(Inflate, EveryFlippedBitGetsTheSameVerdictFromBothEngines) {
    const auto good = ZlibCompress(SampleBytes(3000, 11, 0.8));
    for (size_t position = 0; position < good.size(); ++position) {
        for (int bit = 0; bit < 8; ++bit) {
            const auto damaged = Flipped(good, position, static_cast<uint8_t>(1 << bit));
            const Outcome fast = Inflated(damaged, InflateEngine::Fast);
            const Outcome reference = Inflated(damaged, InflateEngine::Zlib);
            ASSERT_EQ(fast.error, reference.error) << "byte " << position << " bit " << bit;
            if (!fast.error) {
                EXPECT_TRUE(fast.output == reference.output) << "byte " << position;
            }
        }
    }
}

TEST(Inflate, MaxOutputIsEnforced) {
    const auto original = SampleBytes(1 << 20, 12, 0.5);
    const auto compressed = ZlibCompress(original);
    for (auto engine : kEngines) {
        const Outcome exact = Inflated(compressed, engine, SIZE_MAX, original.size());
        EXPECT_FALSE(exact.error) << EngineName(engine);
        const Outcome over = Inflated(compressed, engine, SIZE_MAX, original.size() - 1);
        ASSERT_TRUE(over.error) << EngineName(engine);
        EXPECT_EQ(*over.error, "inflated data exceeds 1048575 bytes");
        EXPECT_LE(over.output.size(), original.size() - 1);
    }
    const auto zeros = ZlibCompress(std::vector<uint8_t>((64 << 20) + 1, 0));
    for (auto engine : kEngines) {
        const Outcome bomb = Inflated(zeros, engine, SIZE_MAX, 64 << 20);
        ASSERT_TRUE(bomb.error) << EngineName(engine);
        EXPECT_EQ(*bomb.error, "inflated data exceeds 64 MiB");
    }
}

TEST(Inflate, DecompressStreamReplacesTheContent) {
    const auto original = SampleBytes(100000, 13, 0.5);
    for (auto engine : kEngines) {
        auto stream = Concat(ZlibCompress(original), test::Bytes("trailing"));
        DecompressStream(stream, UINT64_MAX, engine);
        EXPECT_TRUE(stream == original) << EngineName(engine);

        auto damaged = Cut(ZlibCompress(original), 100);
        const auto before = damaged;
        EXPECT_THROW(DecompressStream(damaged, UINT64_MAX, engine), Error);
        EXPECT_TRUE(damaged == before) << "a failed inflation keeps the stream";
    }
}

TEST(Inflate, WriterErrorsPassThroughUnchanged) {
    const auto compressed = ZlibCompress(SampleBytes(1000, 14, 0.5));
    size_t position = 0;
    for (auto engine : kEngines) {
        position = 0;
        EXPECT_THROW(InflateZlib(
                         [&](uint8_t* buf, size_t capacity) {
                             const size_t n = std::min(capacity, compressed.size() - position);
                             std::memcpy(buf, compressed.data() + position, n);
                             position += n;
                             return n;
                         },
                         [](const uint8_t*, size_t) { throw std::logic_error("disk full"); },
                         UINT64_MAX, engine),
                     std::logic_error);
    }
}

}  // namespace
}  // namespace kel
