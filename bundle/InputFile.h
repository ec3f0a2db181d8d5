#pragma once
// A regular file opened for reading: positioned reads for the package and bundle readers,
// sequential reads for the writers and the SWF header reader.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace kel {

// Whether `size` bytes at `offset` lie within a file of `fileSize` bytes.
bool RangeWithin(uint64_t offset, uint64_t size, uint64_t fileSize);

// "<path>: <what> at <offset>+<size> lies beyond the end of the file (<fileSize> bytes)"
std::string BeyondEndText(const std::string& path, const std::string& what, uint64_t offset,
                          uint64_t size, uint64_t fileSize);

class InputFile {
  public:
    // A caller's own words for a failed open, given the path and the reason (the system's, or
    // "Not a regular file").
    using OpenFailureText = std::string (*)(const std::string& path, const char* reason);

    // Anything but a regular file is refused, so a FIFO or a folder never hangs or half-works.
    // Without `failureText` a failure reads "<path>: cannot open: <reason>" or
    // "<path>: not a regular file".
    explicit InputFile(const std::string& path, OpenFailureText failureText = nullptr);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& Path() const { return FPath; }
    uint64_t Size() const { return FSize; }
    mode_t Mode() const { return FMode; }

    bool Holds(uint64_t offset, uint64_t size) const { return RangeWithin(offset, size, FSize); }
    // Throws BeyondEndText when the range does not lie within the file.
    void RequireRange(const std::string& what, uint64_t offset, uint64_t size) const;

    // Fills `buffer` with exactly `size` bytes at `offset`. False on a read error (errno says
    // which) or when the file ends early (errno is then 0).
    bool ReadAt(uint64_t offset, uint8_t* buffer, size_t size) const;
    // As ReadAt, but a failure throws "<path>: cannot read <size> bytes at <offset>: <reason>",
    // the reason being "the file ends early" when it does.
    void ReadExactlyAt(uint64_t offset, uint8_t* buffer, size_t size) const;

    // Up to `capacity` bytes from the current position; fewer only at the end of the file, 0
    // there. Throws "<path>: cannot read: <reason>" on an error.
    size_t Read(uint8_t* buffer, size_t capacity);

  private:
    std::string FPath;
    int FHandle = -1;
    uint64_t FSize = 0;
    mode_t FMode = 0;
};

}  // namespace kel
