#pragma once
// Helpers shared by the unit tests: private temporary folders and whole-file I/O.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kel::test {

// A fresh folder under the system's temporary directory, removed with everything in it when
// the object goes out of scope.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    // Path() / name as a string.
    std::string operator/(const std::string& name) const { return (FPath / name).string(); }

  private:
    std::filesystem::path FPath;
};

std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteAll(const std::string& path, const std::string& text);

std::vector<uint8_t> Bytes(const std::string& text);
// zlib-format compression (window bits 15) with zlib itself, for building fixtures.
std::vector<uint8_t> ZlibCompress(const std::vector<uint8_t>& data, int level = 6);
// Deterministic pseudo-random bytes, compressible to the given degree (0: random, 1: zeros).
std::vector<uint8_t> SampleBytes(size_t size, uint32_t seed = 1, double redundancy = 0.5);

}  // namespace kel::test
