// kelpack rehost: the lessons of a bundle on another player executable (a Windows bundle made by
// the original authoring tool) moved onto ours, so that the result runs on Linux.

#include <cstdio>
#include <filesystem>

#include "Command.h"
#include "Progress.h"
#include "Writer.h"

namespace kelpack {

namespace {

int RunRehost(const Arguments& args) {
    const std::string& source = args.Positional[0];
    const std::string& out = args.Value("-o");
    ProgressBar progress;
    const kel::TBundleTrailer t =
        kel::RehostBundle(source, args.Value("--player"), out,
                          [&progress](const std::string& what, uint64_t done, uint64_t total) {
                              progress.Update(what, done, total);
                          });
    progress.Finish();
    std::printf(
        "%s: the lessons of %s; main package %u bytes, second package %u bytes, catalogue %u "
        "bytes, help segment %u bytes; %llu bytes\n",
        out.c_str(), source.c_str(), t.MainSize, t.SecondSize, t.CatalogueSize, t.HelpSize,
        static_cast<unsigned long long>(std::filesystem::file_size(out)));
    return 0;
}

}  // namespace

const Command& RehostCommand() {
    static const Command command{
        "rehost",
        "rehost BUNDLE --player EXE -o OUT",
        "move a bundle's lessons onto another player (a Windows bundle onto ours)",
        "Copies the packages, the catalogue and the help segment of BUNDLE, a bundle on any\n"
        "player executable (such as a Windows bundle made by the original authoring tool),\n"
        "byte for byte after a copy of the player executable EXE, rewrites the trailer's\n"
        "positions and writes the result to OUT. BUNDLE must carry a plausible trailer: one\n"
        "that names a catalogue and places every segment before the trailer.\n"
        "OUT gets the player's file mode and is replaced only when the whole bundle was written.\n",
        {{"--player", true, true}, {"-o", true, true}},
        1,
        1,
        RunRehost,
    };
    return command;
}

}  // namespace kelpack
