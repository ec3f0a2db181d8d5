#include "ElfImage.h"

#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace kel::platform {

namespace {

class TFile {
  public:
    explicit TFile(const std::string& path) : FFd(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~TFile() {
        if (FFd >= 0)
            close(FFd);
    }
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    bool IsOpen() const { return FFd >= 0; }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) const {
        auto* out = static_cast<char*>(buffer);
        while (size > 0) {
            ssize_t got = pread(FFd, out, size, static_cast<off_t>(offset));
            if (got <= 0)
                return false;
            out += got;
            offset += static_cast<uint64_t>(got);
            size -= static_cast<size_t>(got);
        }
        return true;
    }

  private:
    int FFd;
};

// Sums in 64 bits; a header table larger than the address space is not a real image.
template <typename Ehdr, typename Phdr, typename Shdr>
std::optional<uint64_t> ImageEnd(const TFile& file) {
    Ehdr header;
    if (!file.ReadAt(0, &header, sizeof header))
        return std::nullopt;
    uint64_t end = sizeof header;

    if (header.e_phnum > 0) {
        if (header.e_phentsize != sizeof(Phdr))
            return std::nullopt;
        std::vector<Phdr> segments(header.e_phnum);
        if (!file.ReadAt(header.e_phoff, segments.data(), segments.size() * sizeof(Phdr)))
            return std::nullopt;
        end = std::max<uint64_t>(end, header.e_phoff + segments.size() * sizeof(Phdr));
        for (const Phdr& segment : segments)
            end = std::max<uint64_t>(end, uint64_t{segment.p_offset} + segment.p_filesz);
    }
    if (header.e_shnum > 0) {
        if (header.e_shentsize != sizeof(Shdr))
            return std::nullopt;
        std::vector<Shdr> sections(header.e_shnum);
        if (!file.ReadAt(header.e_shoff, sections.data(), sections.size() * sizeof(Shdr)))
            return std::nullopt;
        end = std::max<uint64_t>(end, header.e_shoff + sections.size() * sizeof(Shdr));
        for (const Shdr& section : sections)
            if (section.sh_type != SHT_NOBITS)
                end = std::max<uint64_t>(end, uint64_t{section.sh_offset} + section.sh_size);
    }
    return end;
}

}  // namespace

std::optional<uint64_t> ElfImageEnd(const std::string& path) {
    TFile file(path);
    unsigned char ident[EI_NIDENT];
    if (!file.IsOpen() || !file.ReadAt(0, ident, sizeof ident) ||
        std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return std::nullopt;
    switch (ident[EI_CLASS]) {
        case ELFCLASS64:
            return ImageEnd<Elf64_Ehdr, Elf64_Phdr, Elf64_Shdr>(file);
        case ELFCLASS32:
            return ImageEnd<Elf32_Ehdr, Elf32_Phdr, Elf32_Shdr>(file);
        default:
            return std::nullopt;
    }
}

}  // namespace kel::platform
