#pragma once
// A folder only the current user can reach, for temporary files whose fixed names must not be
// redirected by anyone else.

#include <string>

namespace kel::platform {

// Creates `path` with mode 0700 when it is missing and checks that it is a real folder (not a
// symbolic link), owned by the current user, with no group or other permissions. Returns an
// empty text when the folder is fit for use, else a sentence saying why it is refused.
std::string PreparePrivateFolder(const std::string& path);

// The folder under which per-user temporary folders are made: $TMPDIR when set and not empty,
// else "/tmp"; no trailing separator.
std::string TemporaryBase();

unsigned CurrentUserId();

}  // namespace kel::platform
