#pragma once
// Builders for package fixtures whose directory is written by hand, so that the reader can be
// shown documents the package writer would never produce.

#include <cstdint>
#include <string>
#include <vector>

namespace kel::test {

// The nine fixed attributes, in order, as directory text.
std::string FixedAttributes(int64_t fileSize, int64_t filePosition, const std::string& compress,
                            const std::string& fileName, const std::string& filePath = "",
                            const std::string& mainFileName = "");

// An item element "BEG<hex of name>END" with the given attribute text and child elements.
std::string ItemElement(const std::string& displayName, const std::string& attributes,
                        const std::string& children = "");

// The directory document around `items` (UTF-8), declared GB2312 and encoded in GBK.
std::string DirectoryDocument(const std::string& items);

// Header, data area and the stored directory bytes right after the data. `signature` fills the
// header's 10-byte signature field (NUL bytes included), cut at 10 bytes.
std::vector<uint8_t> RawPackage(const std::vector<uint8_t>& storedDirectory,
                                const std::vector<uint8_t>& data = {},
                                const std::string& signature = "EPT_Korvat");

// RawPackage with DirectoryDocument(items) compressed as the directory.
std::vector<uint8_t> PackageWithItems(const std::string& items,
                                      const std::vector<uint8_t>& data = {},
                                      const std::string& signature = "EPT_Korvat");

// Open file descriptors of this process, to show that no handle stays open.
int OpenHandleCount();

}  // namespace kel::test
