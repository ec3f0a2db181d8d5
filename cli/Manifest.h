#pragma once
// The JSON manifest of "kelpack build": the lessons in catalogue order, the help file and the
// package header texts (see README.md).

#include <string>

#include "Writer.h"

namespace kelpack {

// The bundle the manifest at `path` describes, all but the player executable. Paths in it are
// relative to the manifest's folder. Throws kel::Error naming the manifest and, where it
// applies, the lesson (counted from 1): "demo.json: lesson 3: no such file: pics/blue.bmp".
kel::BundleSpec LoadManifest(const std::string& path);

}  // namespace kelpack
