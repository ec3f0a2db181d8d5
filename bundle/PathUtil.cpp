#include "PathUtil.h"

#include <sys/stat.h>

#include <cmath>
#include <limits>

namespace kel {

void AddBackslash(std::string& path) {
    if (!path.empty() && path.back() != '/')
        path += '/';
}

int64_t FileSizeOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return info.st_size;
}

std::string LastPathComponent(const std::string& name) {
    const size_t separator = name.find_last_of("\\/:");
    return separator == std::string::npos ? name : name.substr(separator + 1);
}

std::optional<std::string> SafeLastPathComponent(const std::string& name) {
    std::string component = LastPathComponent(name);
    if (component.empty() || component == "." || component == ".." ||
        component.find('\0') != std::string::npos)
        return std::nullopt;
    return component;
}

namespace {

// Nearest integer, a half to the even neighbour (the default rounding mode); values beyond the
// 32-bit range saturate and NaN gives 0 so that no conversion is undefined.
int32_t RoundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded <= std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    if (rounded >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(rounded);
}

}  // namespace

Point RoundPoint(double x, double y) {
    return {RoundHalfEven(x), RoundHalfEven(y)};
}

}  // namespace kel
