#include "BundleFixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "Trailer.h"
#include "Writer.h"

namespace kel::test {

namespace {

PackageItemSpec ItemFor(const LessonFile& lesson) {
    PackageItemSpec item;
    item.DisplayName = lesson.Name;
    item.FileName = "D:\\lessons\\" + lesson.Name;
    item.Data = lesson.Data;
    item.ExtraAttributes = lesson.Attributes;
    return item;
}

std::vector<PackageItemSpec> ItemsFor(const std::vector<LessonFile>& lessons) {
    std::vector<PackageItemSpec> items;
    for (const LessonFile& lesson : lessons)
        items.push_back(ItemFor(lesson));
    return items;
}

class Fd {
  public:
    explicit Fd(const std::string& path) : FFd(open(path.c_str(), O_RDWR | O_CLOEXEC)) {
        if (FFd < 0)
            throw std::runtime_error("cannot open " + path);
    }
    ~Fd() { close(FFd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return FFd; }

  private:
    int FFd;
};

void WriteAt(int fd, uint64_t at, const void* data, size_t size) {
    if (pwrite(fd, data, size, static_cast<off_t>(at)) != static_cast<ssize_t>(size))
        throw std::runtime_error("cannot write the bundle");
}

}  // namespace

std::string BuildBundle(const std::string& folder, const std::vector<LessonFile>& lessons,
                        const std::vector<TEntryRef>& entries,
                        const std::vector<LessonFile>& second, const std::string& helpFile) {
    BundleSpec spec;
    spec.PlayerExe = folder + "/player";
    std::ofstream(spec.PlayerExe, std::ios::binary) << std::string(4096, 'P');
    spec.Main = ItemsFor(lessons);
    spec.Second = ItemsFor(second);
    spec.Entries = entries;
    if (spec.Entries.empty())
        for (size_t i = 0; i < lessons.size(); ++i)
            spec.Entries.push_back({static_cast<int32_t>(i), true});
    spec.HelpFile = helpFile;
    const std::string bundle = folder + "/bundle.bin";
    WriteBundle(spec, bundle);
    return bundle;
}

void ReplaceCatalogue(const std::string& bundle, const std::string& catalogue) {
    TBundleContents contents = ReadBundle(bundle);
    Fd file(bundle);
    const uint64_t at = contents.FileSize - kTrailerSize;
    TBundleTrailer trailer = contents.Trailer;
    trailer.CatalogueOffset = static_cast<uint32_t>(at);
    trailer.CatalogueSize = static_cast<uint32_t>(catalogue.size());
    uint8_t bytes[kTrailerSize];
    trailer.Serialize(bytes);
    WriteAt(file.Get(), at, catalogue.data(), catalogue.size());
    WriteAt(file.Get(), at + catalogue.size(), bytes, sizeof bytes);
}

std::string CatalogueXml(const std::vector<std::string>& entryAttributes) {
    std::string xml = "<Korvat教育存盘文件 产品名称=\"Lumivo\">";
    for (const std::string& attributes : entryAttributes)
        xml += "<素材 " + attributes + "/>";
    return xml + "</Korvat教育存盘文件>\r\n";
}

}  // namespace kel::test
