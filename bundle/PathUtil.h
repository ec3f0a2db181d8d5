#pragma once
// Small file and path helpers shared by the core, the tool and the player.

#include <cstdint>
#include <optional>
#include <string>

namespace kel {

// Appends the directory separator ("/" on this platform) unless the path is empty or already
// ends in one. The test is on the last byte.
void AddBackslash(std::string& path);

// Size of the file in bytes; 0 when it does not exist or is not a regular file.
int64_t FileSizeOf(const std::string& path);

// The text after the last "\", "/" or ":" of a name recorded in a package (names are UTF-8
// here, so no separator byte can be the tail of a multi-byte character).
std::string LastPathComponent(const std::string& name);

// LastPathComponent when it is safe to create inside a target folder: empty when that
// component is empty, ".", ".." or holds a NUL byte.
std::optional<std::string> SafeLastPathComponent(const std::string& name);

struct Point {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const Point&) const = default;
};

// Each coordinate rounded to the nearest integer, a half to the even neighbour.
Point RoundPoint(double x, double y);

}  // namespace kel
