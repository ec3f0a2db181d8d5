#pragma once
// Package header values the tool writes and shows: the date-time field (days since 1899-12-30,
// local time) and the package GUID.

#include <string>

#include "Writer.h"

namespace kelpack {

// A header for a package written now: the given texts, the current local time and a fresh
// random GUID.
kel::PackageHeaderInfo NewPackageHeader(const std::string& description, const std::string& version);

// "2008-01-14 11:21" for a stored date-time; the number itself when it is no date.
std::string FormatPackageDate(double days);

}  // namespace kelpack
