#pragma once
// Deterministic content shaped like a lesson folder's files: prose, tables of numbers and
// media that is already compressed, in segments of a few KiB to 64 KiB. zlib stores it at
// roughly half its size.

#include <cstdint>
#include <string>
#include <vector>

namespace kel::bench {

class SampleContent {
  public:
    explicit SampleContent(uint64_t seed);

    // Appends the next segment to `out`.
    void NextSegment(std::vector<uint8_t>& out);

  private:
    uint64_t Next();
    uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }
    void Prose(std::vector<uint8_t>& out, size_t size);
    void Records(std::vector<uint8_t>& out, size_t size);
    void Media(std::vector<uint8_t>& out, size_t size);

    uint64_t FState;
    std::vector<std::string> FWords;
    uint32_t FRecordId = 0;
    uint32_t FRecordTime = 0;
    uint32_t FReading = 20000;
};

}  // namespace kel::bench
