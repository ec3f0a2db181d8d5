#include "ElfImage.h"

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "Error.h"
#include "InputFile.h"

namespace kel::platform {

namespace {

// Reads a header table of `count` entries of type T at `offset`: none when its entries are not
// of type T or it lies past the end of the file; an empty table when `count` is 0.
template <typename T>
std::optional<std::vector<T>> ReadTable(const InputFile& file, uint64_t offset, size_t count,
                                        size_t entrySize) {
    if (count == 0)
        return std::vector<T>{};
    if (entrySize != sizeof(T))
        return std::nullopt;
    std::vector<T> table(count);
    if (!file.ReadAt(offset, reinterpret_cast<uint8_t*>(table.data()), count * sizeof(T)))
        return std::nullopt;
    return table;
}

// Sums in 64 bits; a header table larger than the address space is not a real image.
template <typename Ehdr, typename Phdr, typename Shdr>
std::optional<uint64_t> ImageEnd(const InputFile& file) {
    Ehdr header;
    if (!file.ReadAt(0, reinterpret_cast<uint8_t*>(&header), sizeof header))
        return std::nullopt;
    const auto segments = ReadTable<Phdr>(file, header.e_phoff, header.e_phnum, header.e_phentsize);
    const auto sections = ReadTable<Shdr>(file, header.e_shoff, header.e_shnum, header.e_shentsize);
    if (!segments || !sections)
        return std::nullopt;

    uint64_t end = sizeof header;
    if (!segments->empty())
        end = std::max<uint64_t>(end, header.e_phoff + segments->size() * sizeof(Phdr));
    for (const Phdr& segment : *segments)
        end = std::max<uint64_t>(end, uint64_t{segment.p_offset} + segment.p_filesz);
    if (!sections->empty())
        end = std::max<uint64_t>(end, header.e_shoff + sections->size() * sizeof(Shdr));
    for (const Shdr& section : *sections)
        if (section.sh_type != SHT_NOBITS)
            end = std::max<uint64_t>(end, uint64_t{section.sh_offset} + section.sh_size);
    return end;
}

}  // namespace

std::optional<uint64_t> ElfImageEnd(const std::string& path) {
    std::optional<InputFile> opened;
    try {
        opened.emplace(path);
    } catch (const Error&) {
        return std::nullopt;
    }
    const InputFile& file = *opened;
    uint8_t ident[EI_NIDENT];
    if (!file.ReadAt(0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
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
