#pragma once
// The one error type of the core: every failure that is not an expected outcome throws it,
// with a text fit to show to the user as it stands.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kel {

class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A 64-bit count as Format's "%llu" takes it.
inline unsigned long long Ull(uint64_t value) {
    return value;
}

}  // namespace kel
