#include "Manifest.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "Error.h"
#include "FolderItems.h"
#include "HeaderInfo.h"
#include "HelpSegment.h"
#include "PathUtil.h"
#include "TarnZLib.h"

namespace kelpack {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

// Names the player itself writes into its work folder, beside the lessons.
constexpr const char* kReservedNames[] = {kel::kHelpFileName, "flvPlayer.swf"};

[[noreturn]] void Fail(const std::string& message) {
    throw kel::Error(message);
}

void CheckKeys(const Json& object, std::initializer_list<const char*> allowed) {
    for (const auto& item : object.items()) {
        const std::string& key = item.key();
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return key == a; }))
            Fail("unknown key \"" + key + "\"");
    }
}

std::string StringAt(const Json& object, const char* key, const std::string& fallback = "") {
    if (!object.contains(key))
        return fallback;
    if (!object[key].is_string())
        Fail(kel::Format("\"%s\" must be a text", key));
    return object[key].get<std::string>();
}

bool BoolAt(const Json& object, const char* key, bool fallback) {
    if (!object.contains(key))
        return fallback;
    if (!object[key].is_boolean())
        Fail(kel::Format("\"%s\" must be true or false", key));
    return object[key].get<bool>();
}

// "main" (the default) or "second": whether the lesson lives in the main package.
bool InMainPackage(const Json& lesson) {
    const std::string package = StringAt(lesson, "package", "main");
    if (package != "main" && package != "second")
        Fail("\"package\" must be \"main\" or \"second\", not \"" + package + "\"");
    return package == "main";
}

std::vector<std::pair<std::string, std::string>> Attributes(const Json& lesson) {
    std::vector<std::pair<std::string, std::string>> attributes;
    if (!lesson.contains("attributes"))
        return attributes;
    const Json& object = lesson["attributes"];
    if (!object.is_object())
        Fail("\"attributes\" must be an object of texts");
    for (const auto& [name, value] : object.items()) {
        if (!value.is_string())
            Fail("attribute \"" + name + "\" must be a text");
        attributes.emplace_back(name, value.get<std::string>());
    }
    return attributes;
}

class ManifestReader {
  public:
    explicit ManifestReader(std::string path)
        : FPath(std::move(path)), FFolder(fs::path(FPath).parent_path()) {}

    kel::BundleSpec Read() {
        const Json manifest = Parse();
        try {
            if (!manifest.is_object())
                Fail("the manifest must be a JSON object");
            CheckKeys(manifest, {"lessons", "help", "description", "version"});
            if (!manifest.contains("lessons") || !manifest["lessons"].is_array() ||
                manifest["lessons"].empty())
                Fail("\"lessons\" must be a list of at least one lesson");
            ReadHeaders(manifest);
            ReadHelp(manifest);
        } catch (const kel::Error& e) {
            Fail(FPath + ": " + e.what());
        }
        const Json& lessons = manifest["lessons"];
        for (size_t i = 0; i < lessons.size(); ++i) {
            try {
                ReadLesson(lessons[i], i + 1);
            } catch (const kel::Error& e) {
                Fail(kel::Format("%s: lesson %zu: %s", FPath.c_str(), i + 1, e.what()));
            }
        }
        CheckRepeatedItems();
        return std::move(FSpec);
    }

  private:
    // A lesson that repeats an item, checked once every item is known.
    struct Repeat {
        size_t Lesson;
        int32_t Item;
        bool Main;
    };

    Json Parse() const {
        std::ifstream in(FPath, std::ios::binary);
        if (!in)
            Fail(FPath + ": cannot open the manifest");
        try {
            return Json::parse(in);
        } catch (const Json::parse_error& e) {
            // nlohmann's text starts with its own tag, "[json.exception.parse_error.101] ".
            const std::string text = e.what();
            Fail(FPath + ": not valid JSON: " + text.substr(text.find(']') + 2));
        }
    }

    void ReadHeaders(const Json& manifest) {
        const std::string description = StringAt(manifest, "description");
        const std::string version = StringAt(manifest, "version");
        FSpec.MainHeader = NewPackageHeader(description, version);
        FSpec.SecondHeader = NewPackageHeader(description, version);
        kel::TPackageHeader header;
        header.PackageGuid = FSpec.MainHeader.Guid;
        FSpec.Catalogue.PackageGuid = header.GuidText();
        FSpec.Catalogue.HostFile = fs::absolute(FPath).string();
    }

    void ReadHelp(const Json& manifest) {
        const std::string help = StringAt(manifest, "help");
        if (help.empty())
            return;
        FSpec.HelpFile = Source(help).string();
        if (!fs::is_regular_file(FSpec.HelpFile))
            Fail("no such help file: " + help);
    }

    fs::path Source(const std::string& relative) const { return FFolder / relative; }

    void ReadLesson(const Json& lesson, size_t number) {
        if (!lesson.is_object())
            Fail("a lesson must be a JSON object");
        const int kinds =
            lesson.contains("file") + lesson.contains("folder") + lesson.contains("item");
        if (kinds != 1)
            Fail("a lesson needs exactly one of \"file\", \"folder\" and \"item\"");
        if (lesson.contains("item"))
            return ReadRepeat(lesson, number);
        kel::PackageItemSpec item =
            lesson.contains("file") ? ReadFileLesson(lesson) : ReadFolderLesson(lesson);
        item.DisplayName = StringAt(lesson, "name", item.DisplayName);
        item.ExtraAttributes = Attributes(lesson);
        ReadThumbnail(lesson, item);
        ClaimShownName(item, number);
        const bool main = InMainPackage(lesson);
        std::vector<kel::PackageItemSpec>& package = main ? FSpec.Main : FSpec.Second;
        package.push_back(std::move(item));
        FSpec.Entries.push_back({static_cast<int32_t>(package.size() - 1), main});
    }

    kel::PackageItemSpec ReadFileLesson(const Json& lesson) const {
        CheckKeys(lesson, {"file", "name", "package", "compress", "attributes", "thumbnail"});
        const std::string file = StringAt(lesson, "file");
        const fs::path source = Source(file);
        if (fs::is_directory(source))
            Fail(file + " is a folder: name it with \"folder\"");
        if (!fs::is_regular_file(source))
            Fail("no such file: " + file);
        return FileItem(source, WindowsPath(file), BoolAt(lesson, "compress", true));
    }

    kel::PackageItemSpec ReadFolderLesson(const Json& lesson) const {
        CheckKeys(lesson,
                  {"folder", "main", "name", "package", "compress", "attributes", "thumbnail"});
        const std::string folder = StringAt(lesson, "folder");
        fs::path relative = fs::path(folder).lexically_normal();
        if (!relative.has_filename())
            relative = relative.parent_path();
        const std::string name = relative.filename().string();
        if (name.empty() || name == "." || name == "..")
            Fail("\"" + folder + "\" does not name a folder of its own");
        const fs::path source = Source(relative.string());
        if (!fs::is_directory(source))
            Fail("no such folder: " + folder);
        const std::string mainFile = StringAt(lesson, "main", DefaultMainFile(source));
        if (mainFile.empty() || mainFile.find_first_of("/\\:") != std::string::npos ||
            !fs::is_regular_file(source / mainFile))
            Fail("\"main\" must name a file directly inside " + folder + ", not \"" + mainFile +
                 "\"");
        const std::string stored = WindowsPath(relative.string());
        return FolderItem(source, stored, mainFile, BoolAt(lesson, "compress", true));
    }

    void ReadThumbnail(const Json& lesson, kel::PackageItemSpec& item) const {
        const std::string thumbnail = StringAt(lesson, "thumbnail");
        if (thumbnail.empty())
            return;
        item.AdditionalSource = Source(thumbnail).string();
        item.OdditionalFile = WindowsPath(thumbnail);
        if (!fs::is_regular_file(item.AdditionalSource))
            Fail("no such thumbnail: " + thumbnail);
    }

    void ReadRepeat(const Json& lesson, size_t number) {
        CheckKeys(lesson, {"item", "package"});
        const Json& item = lesson["item"];
        if (!item.is_number_integer() || item.get<int64_t>() < 0 || item.get<int64_t>() > INT32_MAX)
            Fail("\"item\" must be the index of an item, counted from 0");
        const bool main = InMainPackage(lesson);
        FRepeats.push_back({number, item.get<int32_t>(), main});
        FSpec.Entries.push_back({item.get<int32_t>(), main});
    }

    // Every item lands in the one work folder of the player, under its last name component;
    // two items of one name would show one file for both lessons.
    void ClaimShownName(const kel::PackageItemSpec& item, size_t number) {
        const std::string name = kel::LastPathComponent(item.FileName);
        for (const char* reserved : kReservedNames)
            if (name == reserved)
                Fail("unpacks to \"" + name + "\", a name the player uses for its own files");
        const auto [it, fresh] = FShownNames.emplace(name, number);
        if (!fresh)
            Fail(
                kel::Format("unpacks to \"%s\" like lesson %zu; the player would show one file "
                            "for both",
                            name.c_str(), it->second));
    }

    void CheckRepeatedItems() const {
        for (const Repeat& repeat : FRepeats) {
            const size_t count = (repeat.Main ? FSpec.Main : FSpec.Second).size();
            if (static_cast<size_t>(repeat.Item) >= count)
                Fail(
                    kel::Format("%s: lesson %zu: item %d does not exist: the %s package has %zu "
                                "item(s)",
                                FPath.c_str(), repeat.Lesson, repeat.Item,
                                repeat.Main ? "main" : "second", count));
        }
    }

    std::string FPath;
    fs::path FFolder;
    kel::BundleSpec FSpec;
    std::vector<Repeat> FRepeats;
    std::map<std::string, size_t> FShownNames;
};

}  // namespace

kel::BundleSpec LoadManifest(const std::string& path) {
    return ManifestReader(path).Read();
}

}  // namespace kelpack
