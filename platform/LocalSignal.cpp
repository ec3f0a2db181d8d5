#include "LocalSignal.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace kel::platform {

namespace {

class TSocket {
  public:
    TSocket() : FFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~TSocket() {
        if (FFd >= 0)
            close(FFd);
    }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;
    int Fd() const { return FFd; }

  private:
    int FFd;
};

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t put = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

// Reads until a newline arrives, the peer closes or the deadline passes.
void AwaitAnswer(int fd, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[64];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            return;
        ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0 || std::memchr(buffer, '\n', static_cast<size_t>(got)))
            return;
    }
}

}  // namespace

bool SendLocalRequest(const std::string& socketPath, const std::string& line, int timeoutMs) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());

    TSocket sock;
    if (sock.Fd() < 0 ||
        connect(sock.Fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;
    if (WriteAll(sock.Fd(), line + "\n"))
        AwaitAnswer(sock.Fd(), timeoutMs);
    return true;
}

}  // namespace kel::platform
