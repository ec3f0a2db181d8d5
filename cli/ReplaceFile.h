#pragma once
// Writing an output file so that a failed or interrupted run never leaves a half-written file
// under the target's name, and an input that is also the target is read whole first.

#include <sys/types.h>

#include <functional>
#include <string>

namespace kelpack {

// Runs `write` with a temporary path beside `target`, then gives the file `mode` (less the
// umask) and renames it over `target`. When `write` throws, the temporary file is removed and
// the error passes on.
void WriteReplacing(const std::string& target, mode_t mode,
                    const std::function<void(const std::string& temporary)>& write);

}  // namespace kelpack
