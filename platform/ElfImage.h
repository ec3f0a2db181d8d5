#pragma once
// Where the executable's own ELF image ends, so data appended after it can be told apart from
// the image itself.

#include <cstdint>
#include <optional>
#include <string>

namespace kel::platform {

// The end of the ELF image in `path`: the largest of the section-header table's end, every
// program segment's file end and every section's end that occupies file space. Empty when the
// file cannot be read or is not an ELF file.
std::optional<uint64_t> ElfImageEnd(const std::string& path);

}  // namespace kel::platform
