#include "HeaderInfo.h"

#include <cmath>
#include <ctime>
#include <random>

#include "Error.h"

namespace kelpack {

namespace {

constexpr double kUnixEpochDays = 25569;  // 1970-01-01 counted from 1899-12-30
constexpr double kSecondsPerDay = 86400;
constexpr double kLastDay = 2958466;  // 10000-01-01

double NowInDays() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return kUnixEpochDays + static_cast<double>(now + local.tm_gmtoff) / kSecondsPerDay;
}

// A version 4 (random) GUID in its stored byte order.
std::array<uint8_t, 16> NewGuid() {
    std::random_device random;
    std::array<uint8_t, 16> guid{};
    for (size_t i = 0; i < guid.size(); i += 4) {
        const uint32_t word = random();
        for (size_t b = 0; b < 4; ++b)
            guid[i + b] = static_cast<uint8_t>(word >> (8 * b));
    }
    guid[7] = static_cast<uint8_t>((guid[7] & 0x0F) | 0x40);  // high byte of the third group
    guid[8] = static_cast<uint8_t>((guid[8] & 0x3F) | 0x80);
    return guid;
}

}  // namespace

kel::PackageHeaderInfo NewPackageHeader(const std::string& description,
                                        const std::string& version) {
    kel::PackageHeaderInfo header;
    header.Description = description;
    header.Version = version;
    header.DateTime = NowInDays();
    header.Guid = NewGuid();
    return header;
}

std::string FormatPackageDate(double days) {
    if (!std::isfinite(days) || days < 0 || days >= kLastDay)
        return kel::Format("%g", days);
    const auto seconds =
        static_cast<std::time_t>(std::llround((days - kUnixEpochDays) * kSecondsPerDay));
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm);
    return text;
}

}  // namespace kelpack
