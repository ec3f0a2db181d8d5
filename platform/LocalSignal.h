#pragma once
// A one-line request over a local (Unix-domain) stream socket, for reaching a running program
// of the same user before any user-interface library is set up.

#include <string>

namespace kel::platform {

// Connects to the socket at `socketPath`, sends `line` followed by a newline and waits up to
// `timeoutMs` for the peer to answer with a line of its own. True when a peer accepted the
// connection (whether or not it answered in time), false when nobody listens there.
bool SendLocalRequest(const std::string& socketPath, const std::string& line, int timeoutMs);

}  // namespace kel::platform
