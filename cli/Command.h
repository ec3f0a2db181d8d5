#pragma once
// The subcommands of kelpack: each file defines one Command, main.cpp dispatches by name.

#include <string>
#include <vector>

#include "Arguments.h"

namespace kelpack {

struct Command {
    std::string Name;
    std::string Synopsis;     // the command line after "kelpack ", e.g. "pack DIR -o FILE.ept"
    std::string Summary;      // one line for the overview
    std::string Description;  // the command's own help text, without the usage line
    std::vector<OptionSpec> Options;
    size_t MinPositional = 0;
    size_t MaxPositional = 0;
    int (*Run)(const Arguments& args) = nullptr;  // exit status; throws on errors
};

const Command& BuildCommand();
const Command& PackCommand();
const Command& InfoCommand();
const Command& ListCommand();
const Command& ExtractCommand();
const Command& SwfInfoCommand();
const Command& RehostCommand();

}  // namespace kelpack
