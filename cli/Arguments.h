#pragma once
// Command-line parsing shared by the subcommands: options by exact name, the rest positional.

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelpack {

// A command line that does not fit the command; reported with the command's usage, exit 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct OptionSpec {
    std::string Name;  // "-o", "--player", "--json"
    bool TakesValue = false;
    bool Required = false;
};

struct Arguments {
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Options;  // flags map to ""

    bool Has(const std::string& name) const { return Options.count(name) != 0; }
    const std::string& Value(const std::string& name) const { return Options.at(name); }
};

// Parses `args` (without the program and command names). "NAME=VALUE" is accepted for
// options that take a value; "--" ends the options. Throws UsageError on an unknown or
// repeated option, a missing value or required option, or a positional count outside
// [minPositional, maxPositional].
Arguments ParseArguments(const std::vector<std::string>& args,
                         const std::vector<OptionSpec>& options, size_t minPositional,
                         size_t maxPositional);

}  // namespace kelpack
