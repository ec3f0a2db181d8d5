#pragma once
// Inflation of zlib streams (RFC 1950, window bits 15). The fast engine is ISA-L; zlib is the
// reference that tests compare it with. Both stop at the end of the first zlib stream and
// ignore whatever bytes follow it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace kel {

enum class InflateEngine { Fast, Zlib };

// Fills `buf` with up to `capacity` input bytes; returns 0 once the input is exhausted.
using InflateReader = std::function<size_t(uint8_t* buf, size_t capacity)>;
// Receives the inflated bytes in order, in chunks of bounded size.
using InflateWriter = std::function<void(const uint8_t* data, size_t size)>;

struct InflateResult {
    uint64_t consumed = 0;  // input bytes that belonged to the zlib stream
    uint64_t produced = 0;  // inflated bytes handed to the writer
};

// Inflates one zlib stream from `read` into `write`, chunk by chunk, so memory stays flat.
// Throws kel::Error when the stream is damaged, when the input ends before the stream does,
// or when the output would exceed `maxOutput` bytes.
InflateResult InflateZlib(const InflateReader& read, const InflateWriter& write,
                          uint64_t maxOutput = std::numeric_limits<uint64_t>::max(),
                          InflateEngine engine = InflateEngine::Fast);

// Inflates the zlib stream at the start of `stream` and replaces the whole content with the
// inflated bytes. Throws kel::Error as InflateZlib does.
void DecompressStream(std::vector<uint8_t>& stream,
                      uint64_t maxOutput = std::numeric_limits<uint64_t>::max(),
                      InflateEngine engine = InflateEngine::Fast);

}  // namespace kel
