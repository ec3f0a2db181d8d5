#pragma once
// Bundles for the player's tests, built with the project's own writer; and a way to give a
// bundle a catalogue no writer would make (bad IDs, missing attributes).

#include <string>
#include <utility>
#include <vector>

#include "Catalogue.h"

namespace kel::test {

struct LessonFile {
    std::string Name;  // the shown file name, e.g. "red.bmp"
    std::vector<uint8_t> Data;
    std::vector<std::pair<std::string, std::string>> Attributes;  // "style", "Writing", ...
};

// Writes `folder`/player (a stand-in executable) and `folder`/bundle.bin: the stand-in with
// the lessons appended as the main package (and `second` as the second package when given).
// The catalogue lists `entries`, or every main lesson once in order. A `helpFile` (a path) becomes
// the help segment. Returns the bundle's path.
std::string BuildBundle(const std::string& folder, const std::vector<LessonFile>& lessons,
                        const std::vector<TEntryRef>& entries = {},
                        const std::vector<LessonFile>& second = {},
                        const std::string& helpFile = {});

// Appends `catalogue` to the bundle and points a new trailer at it; everything else stays.
void ReplaceCatalogue(const std::string& bundle, const std::string& catalogue);

// A catalogue whose entries carry exactly the given attribute texts, e.g. R"(ID="0" System="-1")".
std::string CatalogueXml(const std::vector<std::string>& entryAttributes);

}  // namespace kel::test
