// kelpack build: a bundle from a JSON manifest around a player executable.

#include <cstdio>
#include <filesystem>

#include "Command.h"
#include "Error.h"
#include "Manifest.h"
#include "Progress.h"
#include "Writer.h"

namespace kelpack {

namespace {

int RunBuild(const Arguments& args) {
    const std::string& manifest = args.Positional[0];
    kel::BundleSpec spec = LoadManifest(manifest);
    spec.PlayerExe = args.Value("--player");
    if (!std::filesystem::is_regular_file(spec.PlayerExe))
        throw kel::Error(spec.PlayerExe + ": no such player executable");
    const std::string& out = args.Value("-o");
    ProgressBar progress;
    try {
        kel::WriteBundle(spec, out,
                         [&progress](const std::string& what, uint64_t done, uint64_t total) {
                             progress.Update(what, done, total);
                         });
    } catch (const kel::Error& e) {
        // The writer names the item or file; the manifest is where to mend it.
        throw kel::Error(manifest + ": " + e.what());
    }
    progress.Finish();
    std::printf("%s: %zu lessons; main package %zu items, second package %zu items%s; %llu bytes\n",
                out.c_str(), spec.Entries.size(), spec.Main.size(), spec.Second.size(),
                spec.HelpFile.empty() ? "" : "; help file",
                static_cast<unsigned long long>(std::filesystem::file_size(out)));
    return 0;
}

}  // namespace

const Command& BuildCommand() {
    static const Command command{
        "build",
        "build MANIFEST --player EXE -o OUT",
        "build a bundle: the player with the manifest's lessons appended",
        "Reads the JSON manifest (see cli/README.md), appends its lessons, catalogue and help\n"
        "file to a copy of the player executable EXE and writes the result to OUT.\n"
        "Paths in the manifest are relative to its folder. OUT gets the player's file mode and\n"
        "is replaced only when the whole bundle was written.\n",
        {{"--player", true, true}, {"-o", true, true}},
        1,
        1,
        RunBuild,
    };
    return command;
}

}  // namespace kelpack
