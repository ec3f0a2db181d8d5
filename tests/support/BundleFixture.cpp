#include "BundleFixture.h"

#include <sys/stat.h>

#include <stdexcept>

namespace kel::test {

std::string WritePlayerImage(const TempFolder& folder, size_t size, const std::string& name) {
    const std::string path = folder / name;
    WriteAll(path, SampleBytes(size, 7, 0.3));
    if (chmod(path.c_str(), 0755) != 0)
        throw std::runtime_error("chmod failed: " + path);
    return path;
}

PackageItemSpec FileItemSpec(const std::string& displayName, const std::string& fileName,
                             const std::vector<uint8_t>& data, bool compress) {
    PackageItemSpec item;
    item.DisplayName = displayName;
    item.FileName = fileName;
    item.Data = data;
    item.Compress = compress;
    return item;
}

PackageItemSpec ExampleLessonItem(const TempFolder& folder) {
    std::vector<uint8_t> movie = SampleBytes(1429101, 11, 0.0);
    movie[0] = 'C';
    movie[1] = 'W';
    movie[2] = 'S';
    PackageItemSpec item =
        FileItemSpec("碳化钙的结构模型", "D:\\课件\\化学\\碳化钙的结构模型.swf", movie, false);
    item.AdditionalSource = folder / "thumbnail.bmp";
    WriteAll(item.AdditionalSource, SampleBytes(230454, 12, 0.9));
    item.OdditionalFile = "D:\\课件\\化学\\碳化钙的结构模型_thu.bmp";
    item.ExtraAttributes = {{"Style", "动画"}};
    return item;
}

PackageHeaderInfo ExampleHeader() {
    PackageHeaderInfo header;
    header.Description = "多媒体素材库";
    header.Version = "1.1.0803";
    header.DateTime = 39461 + (11 * 60 + 21) / 1440.0;  // 14 January 2008, 11:21
    header.Guid = {0xF9, 0xF4, 0x34, 0xC9, 0x5F, 0x1A, 0x12, 0x4C,
                   0xBF, 0x5F, 0x36, 0x60, 0x08, 0xEF, 0xE2, 0xB0};
    return header;
}

CatalogueInfo ExampleCatalogueInfo() {
    CatalogueInfo info;
    info.RecordTime = "2014-6-30 14:29:47";
    // 141 bytes, which makes the example's catalogue 368 bytes long.
    info.HostFile =
        "G:\\课件制作\\高中化学课件2008\\人民教育出版社\\第二册\\第五章 烃\\第四节 乙炔 炔烃\\"
        "多媒体素材库\\碳化钙.ept";
    info.PackageGuid = "{C934F4F9-1A5F-4C12-BF5F-366008EFE2B0}";
    return info;
}

std::unique_ptr<OpenedBundle> OpenBundle(const std::string& path) {
    auto bundle = std::make_unique<OpenedBundle>();
    bundle->Contents = ReadBundle(path);
    const TBundleTrailer& trailer = bundle->Contents.Trailer;
    bundle->Main.SetSignature("EPT_Korvat");
    bundle->Second.SetSignature("EPT_Korvat");
    bundle->Main.SetEmbedded(trailer.MainOffset, trailer.MainSize);
    bundle->Second.SetEmbedded(trailer.SecondOffset, trailer.SecondSize);
    if (bundle->Main.Open(path) != 0)
        throw std::runtime_error("main package signature differs: " + path);
    if (trailer.SecondSize != 0 && bundle->Second.Open(path) != 0)
        throw std::runtime_error("second package signature differs: " + path);
    bundle->Catalogue = TCatalogue::LoadFromMemory(bundle->Contents.Catalogue, "TeachMaterial.xml");
    return bundle;
}

std::vector<TEntryRef> EntryRefs(const TCatalogue& catalogue) {
    std::vector<TEntryRef> refs;
    for (TCatalogueNode node = catalogue.FirstEntry(); !node.IsNull(); node = node.NextSibling())
        refs.push_back(ReadEntryRef(node));
    return refs;
}

}  // namespace kel::test
