#include "ContentType.h"

#include <array>
#include <utility>

#include "PathUtil.h"

namespace kel {

std::string FileExtension(const std::string& path) {
    std::string name = LastPathComponent(path);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string extension = name.substr(dot);
    for (char& c : extension)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return extension;
}

TPresenter PresenterFor(const std::string& path) {
    static const std::array<std::pair<const char*, TPresenter>, 6> kTypeLists{{
        {".SWF", TPresenter::Flash},
        {".BMP.JPG", TPresenter::Picture},
        {".AVI.WMV", TPresenter::Video},
        {".EXE", TPresenter::LessonProgram},
        {".HTML.DOC", TPresenter::Browser},
        {".FLV", TPresenter::FlashVideo},
    }};
    std::string extension = FileExtension(path);
    if (extension.empty())
        return TPresenter::None;
    for (const auto& [list, presenter] : kTypeLists)
        if (std::string(list).find(extension) != std::string::npos)
            return presenter;
    return TPresenter::None;
}

}  // namespace kel
