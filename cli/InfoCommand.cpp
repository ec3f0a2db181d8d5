// kelpack info: a bundle's trailer, segments, package headers and counts.

#include "BundleView.h"
#include "Command.h"
#include "Report.h"

namespace kelpack {

namespace {

int RunInfo(const Arguments& args) {
    const BundleView view(args.Positional[0]);
    if (args.Has("--json"))
        PrintJson(SummaryJson(view));
    else
        PrintSummary(view);
    return ReportProblems(view);
}

}  // namespace

const Command& InfoCommand() {
    static const Command command{
        "info",
        "info BUNDLE [--json]",
        "summary: trailer, segments, package headers, counts",
        "Prints where the trailer places each segment, the package headers (signature,\n"
        "description, version, date, GUID, number of items) and how many catalogue entries\n"
        "there are and how many of them do not resolve. --json prints the same as JSON.\n"
        "Every problem found is also reported on stderr, and the exit status is then 1.\n",
        {{"--json", false, false}},
        1,
        1,
        RunInfo,
    };
    return command;
}

}  // namespace kelpack
