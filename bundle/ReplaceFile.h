#pragma once
// A file written under a hidden temporary name in its target's folder and renamed over the
// target once complete: a failed or interrupted write never leaves a half-written file under the
// target's name, and whatever sits at the target (a symbolic link included) is replaced rather
// than written through.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace kel {

class ReplacingFile {
  public:
    // Creates the temporary with `mode`, less the umask. Throws
    // "<target>: cannot create a temporary file beside it: <reason>".
    ReplacingFile(const std::string& target, mode_t mode);
    // Removes the temporary unless Commit() has renamed it.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    const std::string& Target() const { return FTarget; }
    // For writers that take a descriptor; it stays owned by this object.
    int Fd() const { return FHandle; }

    // Writes after the bytes of the earlier Write calls.
    void Write(const uint8_t* data, size_t size);
    // Throws "<target>: cannot write <size> bytes at <offset>: <reason>".
    void WriteAt(uint64_t offset, const uint8_t* data, size_t size);

    // Closes the file and renames it over the target. Throws
    // "<target>: cannot finish writing: <reason>", the temporary then removed.
    void Commit();

  private:
    std::string FTarget;
    std::string FTemporary;
    int FHandle = -1;
    uint64_t FWritten = 0;
};

}  // namespace kel
