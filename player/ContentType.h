#pragma once
// Which presenter shows a lesson file, chosen by its file-name extension.

#include <string>

namespace kel {

enum class TPresenter { None, Flash, Picture, Video, LessonProgram, Browser, FlashVideo };

// The extension of the name part of `path` (after the last "/", "\" or ":"): from its last "."
// to the end, dot included, upper-cased (ASCII letters only); empty when the name has no dot.
std::string FileExtension(const std::string& path);

// The first of the type lists ".SWF", ".BMP.JPG", ".AVI.WMV", ".EXE", ".HTML.DOC", ".FLV" in
// which the extension occurs as a substring decides, so ".HTM" opens in the browser and a name
// ending in "." is a Flash movie. An empty extension, or one in no list (".JPEG"), is None.
TPresenter PresenterFor(const std::string& path);

}  // namespace kel
