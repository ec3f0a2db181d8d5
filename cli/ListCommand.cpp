// kelpack list: a bundle's item trees and its catalogue entries resolved to their items.

#include "BundleView.h"
#include "Command.h"
#include "Report.h"

namespace kelpack {

namespace {

int RunList(const Arguments& args) {
    const BundleView view(args.Positional[0]);
    if (args.Has("--json"))
        PrintJson(ListingJson(view));
    else
        PrintListing(view);
    return ReportProblems(view);
}

}  // namespace

const Command& ListCommand() {
    static const Command command{
        "list",
        "list BUNDLE [--json]",
        "full listing: item trees and catalogue entries",
        "Prints every package's items (display name, the name it unpacks to, stored size,\n"
        "compressed or not, extra attributes; folder items with their content) and every\n"
        "catalogue entry, numbered from 1, with its ID and System, the item it names and the\n"
        "path it unpacks to in the player's work folder, or why it does not resolve.\n"
        "--json prints the summary of \"info\" with the items and entries added.\n"
        "Every problem found is also reported on stderr, and the exit status is then 1.\n",
        {{"--json", false, false}},
        1,
        1,
        RunList,
    };
    return command;
}

}  // namespace kelpack
