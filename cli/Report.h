#pragma once
// What "info" and "list" print about a bundle, as text for people and as JSON for scripts.

#include <nlohmann/json.hpp>

#include "BundleView.h"

namespace kelpack {

using Json = nlohmann::ordered_json;

// The trailer, the segments, the package headers and the counts.
Json SummaryJson(const BundleView& view);
void PrintSummary(const BundleView& view);

// The summary with every package's item tree and every catalogue entry resolved.
Json ListingJson(const BundleView& view);
void PrintListing(const BundleView& view);

// JSON on standard output; bytes that are not UTF-8 are replaced, never fatal.
void PrintJson(const Json& json);

// The bundle's problems on stderr, one line each; the exit status: 1 when there are any.
int ReportProblems(const BundleView& view);

}  // namespace kelpack
