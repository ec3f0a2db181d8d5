#include "SampleContent.h"

namespace kel::bench {

namespace {

constexpr uint32_t kVocabulary = 4000;
constexpr size_t kLineLength = 72;

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> 8 * i));
}

}  // namespace

SampleContent::SampleContent(uint64_t seed) : FState(seed | 1) {
    for (uint32_t i = 0; i < kVocabulary; ++i) {
        std::string word(2 + Below(9), ' ');
        for (char& c : word)
            c = static_cast<char>('a' + Below(26));
        FWords.push_back(word);
    }
}

// xorshift64*: fast, and the same sequence on every machine.
uint64_t SampleContent::Next() {
    FState ^= FState >> 12;
    FState ^= FState << 25;
    FState ^= FState >> 27;
    return FState * 0x2545F4914F6CDD1Dull;
}

void SampleContent::NextSegment(std::vector<uint8_t>& out) {
    const size_t size = 4096 + Below(60 * 1024);
    const uint32_t kind = Below(100);
    if (kind < 55)
        Prose(out, size);
    else if (kind < 90)
        Records(out, size);
    else
        Media(out, size);
}

// Words drawn with a skew towards the common ones, as in real text.
void SampleContent::Prose(std::vector<uint8_t>& out, size_t size) {
    const size_t end = out.size() + size;
    size_t lineStart = out.size();
    while (out.size() < end) {
        const std::string& word = FWords[Below(Below(Below(kVocabulary) + 1) + 1)];
        out.insert(out.end(), word.begin(), word.end());
        if (Below(10) == 0)
            out.push_back(Below(3) == 0 ? '.' : ',');
        if (out.size() - lineStart > kLineLength) {
            out.push_back('\n');
            lineStart = out.size();
        } else {
            out.push_back(' ');
        }
    }
    out.resize(end);
}

// 16-byte records as a logging table holds them: a running id, a time at a steady interval
// with some jitter, a slowly drifting reading, a flag, one of a few codes and padding.
void SampleContent::Records(std::vector<uint8_t>& out, size_t size) {
    const size_t end = out.size() + size;
    while (out.size() < end) {
        FRecordTime += Below(8) == 0 ? Below(2000) : 1000;
        FReading += Below(5) - 2;
        PutLe(out, ++FRecordId, 4);
        PutLe(out, FRecordTime, 4);
        PutLe(out, FReading, 2);
        PutLe(out, Below(16) == 0, 1);
        PutLe(out, 0x4000 + 16 * Below(12), 3);
        PutLe(out, 0, 2);
    }
    out.resize(end);
}

// Random bytes, as pictures and sound that are compressed already look to zlib.
void SampleContent::Media(std::vector<uint8_t>& out, size_t size) {
    const size_t end = out.size() + size;
    while (out.size() < end)
        PutLe(out, static_cast<uint32_t>(Next() >> 32), 4);
    out.resize(end);
}

}  // namespace kel::bench
