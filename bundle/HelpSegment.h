#pragma once
// The bundle's help file: one zlib stream at MainOffset + HelpOffset, HelpSize bytes long.

#include <string>

#include "Trailer.h"

namespace kel {

// The name the player gives the help file in its work folder.
constexpr const char* kHelpFileName = "应用指南.chm";

// Inflates the help segment of `bundlePath` into `target`, streaming, so memory stays flat
// whatever the file's size. Throws kel::Error naming the bundle and the segment, or the target
// when it cannot be written; `target` is then left as it was.
void ExtractHelpFile(const std::string& bundlePath, const TBundleTrailer& trailer,
                     const std::string& target);

}  // namespace kel
