// kelpack: builds, inspects and unpacks lesson bundles. Exit status 0 on success, 1 on an
// error, 2 when the command line is wrong.

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Command.h"
#include "Output.h"

namespace kelpack {
namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

const std::vector<const Command*>& AllCommands() {
    static const std::vector<const Command*> commands{
        &BuildCommand(), &RehostCommand(),  &PackCommand(),    &InfoCommand(),
        &ListCommand(),  &ExtractCommand(), &SwfInfoCommand(),
    };
    return commands;
}

const Command* FindCommand(const std::string& name) {
    for (const Command* command : AllCommands())
        if (command->Name == name)
            return command;
    return nullptr;
}

void PrintOverview(std::FILE* out) {
    std::fprintf(out,
                 "usage: kelpack COMMAND [ARGUMENTS]\n\n"
                 "Builds, inspects and unpacks lesson bundles: the player executable with its "
                 "lessons appended.\n\ncommands:\n");
    for (const Command* command : AllCommands())
        std::fprintf(out, "  %-40s %s\n", command->Synopsis.c_str(), command->Summary.c_str());
    std::fprintf(out,
                 "  %-40s %s\n\n"
                 "\"kelpack COMMAND --help\" describes a command, \"kelpack --version\" gives the "
                 "version. Exit status: 0 done, 1 error, 2 wrong command line.\n",
                 "help [COMMAND]", "this overview, or a command's description");
}

void PrintUsage(const Command& command, std::FILE* out) {
    std::fprintf(out, "usage: kelpack %s\n\n%s", command.Synopsis.c_str(),
                 command.Description.c_str());
}

bool AsksForHelp(const std::vector<std::string>& args) {
    const auto end = std::find(args.begin(), args.end(), "--");
    return std::any_of(args.begin(), end,
                       [](const std::string& a) { return a == "-h" || a == "--help"; });
}

int Help(const std::vector<std::string>& topics) {
    if (topics.empty()) {
        PrintOverview(stdout);
        return 0;
    }
    const Command* command = topics.size() == 1 ? FindCommand(topics[0]) : nullptr;
    if (!command) {
        PrintError("no such command: " + topics[0]);
        PrintOverview(stderr);
        return kExitUsage;
    }
    PrintUsage(*command, stdout);
    return 0;
}

int RunCommand(const Command& command, const std::vector<std::string>& args) {
    if (AsksForHelp(args)) {
        PrintUsage(command, stdout);
        return 0;
    }
    try {
        return command.Run(
            ParseArguments(args, command.Options, command.MinPositional, command.MaxPositional));
    } catch (const UsageError& e) {
        PrintError(command.Name + ": " + e.what());
        PrintUsage(command, stderr);
        return kExitUsage;
    }
}

int Main(const std::vector<std::string>& args) {
    if (args.empty()) {
        PrintOverview(stderr);
        return kExitUsage;
    }
    const std::string& name = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (name == "help" || name == "--help" || name == "-h")
        return Help(rest);
    if (name == "--version") {
        std::printf("kelpack %s\n", KEL_VERSION);
        return 0;
    }
    const Command* command = FindCommand(name);
    if (!command) {
        PrintError("unknown command: " + name);
        PrintOverview(stderr);
        return kExitUsage;
    }
    try {
        return RunCommand(*command, rest);
    } catch (const std::exception& e) {
        PrintError(e.what());
        return kExitError;
    }
}

}  // namespace
}  // namespace kelpack

int main(int argc, char** argv) {
    return kelpack::Main(std::vector<std::string>(argv + 1, argv + argc));
}
