#include "PackageFixture.h"

#include <algorithm>
#include <filesystem>

#include "Gbk.h"
#include "TarnZLib.h"
#include "TestUtil.h"

namespace kel::test {

std::string FixedAttributes(int64_t fileSize, int64_t filePosition, const std::string& compress,
                            const std::string& fileName, const std::string& filePath,
                            const std::string& mainFileName) {
    return " FileSize=\"" + std::to_string(fileSize) + "\" FilePosition=\"" +
           std::to_string(filePosition) +
           "\" OdditionalSize=\"0\" OdditionalPosition=\"0\" Compress=\"" + compress +
           "\" FileName=\"" + fileName + "\" FilePath=\"" + filePath + "\" MainFileName=\"" +
           mainFileName + "\" OdditionalFile=\"\"";
}

std::string ItemElement(const std::string& displayName, const std::string& attributes,
                        const std::string& children) {
    const std::string name = EncodeItemElementName(displayName);
    if (children.empty())
        return "<" + name + attributes + "/>";
    return "<" + name + attributes + ">" + children + "</" + name + ">";
}

std::string DirectoryDocument(const std::string& items) {
    return Utf8ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<Korvat教育存盘文件>" + items +
                     "</Korvat教育存盘文件>\r\n");
}

std::vector<uint8_t> RawPackage(const std::vector<uint8_t>& storedDirectory,
                                const std::vector<uint8_t>& data, const std::string& signature) {
    TPackageHeader header;
    std::copy_n(signature.begin(), std::min(signature.size(), header.Signature.size()),
                header.Signature.begin());
    header.DataSize = static_cast<uint32_t>(data.size());
    header.DirectoryPosition = static_cast<uint32_t>(kPackageHeaderSize + data.size());
    header.DirectorySize = static_cast<uint32_t>(storedDirectory.size());
    std::vector<uint8_t> package(kPackageHeaderSize);
    header.Serialize(package.data());
    package.insert(package.end(), data.begin(), data.end());
    package.insert(package.end(), storedDirectory.begin(), storedDirectory.end());
    return package;
}

std::vector<uint8_t> PackageWithItems(const std::string& items, const std::vector<uint8_t>& data,
                                      const std::string& signature) {
    return RawPackage(ZlibCompress(Bytes(DirectoryDocument(items))), data, signature);
}

int OpenHandleCount() {
    const auto fds = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<int>(std::distance(begin(fds), end(fds)));
}

}  // namespace kel::test
