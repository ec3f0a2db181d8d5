// kelpack swfinfo: the head of a Flash movie as the player reads it for the background colour.

#include <cstdio>
#include <cstring>

#include "Command.h"
#include "FlashInfo.h"
#include "Output.h"

namespace kelpack {

namespace {

int RunSwfInfo(const Arguments& args) {
    const std::string& path = args.Positional[0];
    kel::TSwfHeader header;
    const bool complete = kel::ReadSwfHeader(path, header);
    const std::string signature(header.Signature.data(), strnlen(header.Signature.data(), 3));
    std::printf("signature: %s\nversion: %u\nlength: %d\nbackground: #%06X\n",
                Printable(signature).c_str(), header.Version, header.FileLength,
                header.BgColor & 0xFFFFFF);
    if (!complete) {
        PrintError(path +
                   ": the header could not be read to its end; the player shows it on black");
        return 1;
    }
    if (signature != "FWS" && signature != "CWS")
        PrintWarning(path + ": the signature is neither FWS nor CWS");
    return 0;
}

}  // namespace

const Command& SwfInfoCommand() {
    static const Command command{
        "swfinfo",
        "swfinfo FILE",
        "a Flash movie's signature, version, length and background colour",
        "Reads the head of the movie FILE as the player does: the signature (FWS plain, CWS\n"
        "compressed), the version, the length and the background colour of its\n"
        "SetBackgroundColor tag (#FFFFFF when none is found near the start). A head that cannot\n"
        "be read to its end is an error: the player shows such a movie on black.\n",
        {},
        1,
        1,
        RunSwfInfo,
    };
    return command;
}

}  // namespace kelpack
