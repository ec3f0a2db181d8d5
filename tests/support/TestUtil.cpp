#include "TestUtil.h"

#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace kel::test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "keltest-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void WriteAll(const std::string& path, const std::string& text) {
    WriteAll(path, Bytes(text));
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<uint8_t> ZlibCompress(const std::vector<uint8_t>& data, int level) {
    uLongf size = compressBound(data.size());
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, data.data(), data.size(), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

std::vector<uint8_t> SampleBytes(size_t size, uint32_t seed, double redundancy) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    std::vector<uint8_t> out(size);
    uint8_t last = 0;
    for (auto& b : out) {
        if (coin(rng) >= redundancy)
            last = static_cast<uint8_t>(rng());
        b = last;
    }
    return out;
}

}  // namespace kel::test
