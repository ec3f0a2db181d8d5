#include "WineHost.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <utility>

namespace kel::platform {

namespace {

constexpr auto kAnswerLimit = std::chrono::seconds(3);
constexpr auto kEndLimit = std::chrono::seconds(3);

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool StartsWith(const std::string& text, const std::string& word) {
    return text.compare(0, word.size(), word) == 0 &&
           (text.size() == word.size() || text[word.size()] == ' ');
}

// Writes everything; a helper that has gone must not end the player with SIGPIPE, so the signal
// is held back for this thread and any that the write raised is taken away before it is let go.
void WriteAll(int fd, const std::string& text) {
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    size_t done = 0;
    bool broken = false;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            broken = errno == EPIPE;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (broken) {
        const timespec now{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace

WineHost WineHost::Start(const std::string& wine, const std::string& helper,
                         const std::string& program) {
    int toHelper[2], fromHelper[2];
    if (pipe2(toHelper, O_CLOEXEC) != 0)
        return {};
    if (pipe2(fromHelper, O_CLOEXEC) != 0) {
        ::close(toHelper[0]);
        ::close(toHelper[1]);
        return {};
    }
    std::string overrides = EnvironmentValue("WINEDLLOVERRIDES");
    overrides += (overrides.empty() ? "" : ";") + std::string("mscoree,mshtml=");
    std::vector<std::string> environment{"WINEDLLOVERRIDES=" + overrides};
    if (EnvironmentValue("WINEDEBUG").empty())
        environment.push_back("WINEDEBUG=-all");
    const size_t slash = program.rfind('/');
    SpawnRequest request{{wine, helper},
                         slash == std::string::npos ? "." : program.substr(0, slash + 1),
                         environment,
                         toHelper[0],
                         fromHelper[1]};
    WineHost host;
    host.FHelper = ProcessGroup::Spawn(request);
    ::close(toHelper[0]);
    ::close(fromHelper[1]);
    host.FToHelper = toHelper[1];
    host.FFromHelper = fromHelper[0];
    if (!host.Valid()) {
        host.Close();
        return host;
    }
    host.Send(program);
    return host;
}

WineHost::WineHost(WineHost&& other) noexcept
    : FHelper(std::move(other.FHelper)),
      FToHelper(std::exchange(other.FToHelper, -1)),
      FFromHelper(std::exchange(other.FFromHelper, -1)),
      FPending(std::move(other.FPending)),
      FStarted(other.FStarted),
      FUnresponsive(other.FUnresponsive) {}

WineHost& WineHost::operator=(WineHost&& other) noexcept {
    if (this != &other) {
        WineHost old(std::move(*this));
        FHelper = std::move(other.FHelper);
        FToHelper = std::exchange(other.FToHelper, -1);
        FFromHelper = std::exchange(other.FFromHelper, -1);
        FPending = std::move(other.FPending);
        FStarted = other.FStarted;
        FUnresponsive = other.FUnresponsive;
    }
    return *this;
}

// The end of its input tells the helper to end the program and itself.
WineHost::~WineHost() {
    Close();
    if (FHelper.Pid() != 0 && !FHelper.Release(kEndLimit)) {
        FHelper.Kill();
        FHelper.Release(kEndLimit);
    }
}

void WineHost::Close() {
    if (FToHelper >= 0)
        ::close(FToHelper);
    if (FFromHelper >= 0)
        ::close(FFromHelper);
    FToHelper = FFromHelper = -1;
}

void WineHost::Send(const std::string& line) {
    if (FToHelper >= 0)
        WriteAll(FToHelper, line + "\n");
}

std::optional<std::string> WineHost::Receive(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const size_t end = FPending.find('\n');
        if (end != std::string::npos) {
            std::string line = FPending.substr(0, end);
            FPending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        if (FFromHelper < 0)
            return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{FFromHelper, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char buffer[4096];
        const ssize_t n = ::read(FFromHelper, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Close();
            return std::nullopt;
        }
        FPending.append(buffer, static_cast<size_t>(n));
    }
}

// Sends a request and returns its answer: the first line that starts with the request's
// answer words. Lines left over from an answer that came too late are passed over.
std::optional<std::string> WineHost::Ask(const std::string& line) {
    if (FUnresponsive)
        return std::nullopt;
    static const std::vector<std::pair<std::string, std::vector<std::string>>> kAnswers = {
        {"windows", {"windows"}},      {"take", {"taken", "gone"}}, {"state", {"running", "ended"}},
        {"terminate", {"terminated"}}, {"release", {"released"}},
    };
    std::vector<std::string> expected;
    for (const auto& [request, answers] : kAnswers)
        if (StartsWith(line, request))
            expected = answers;
    Send(line);
    const auto deadline = std::chrono::steady_clock::now() + kAnswerLimit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        std::optional<std::string> answer =
            left.count() > 0 ? Receive(left) : std::optional<std::string>();
        if (!answer) {
            FUnresponsive = true;
            return std::nullopt;
        }
        if (StartsWith(*answer, "started") || StartsWith(*answer, "failed"))
            FStarted = true;
        for (const std::string& word : expected)
            if (StartsWith(*answer, word))
                return answer;
    }
}

bool WineHost::Started() {
    while (!FStarted) {
        std::optional<std::string> line = Receive(std::chrono::milliseconds(0));
        if (!line)
            break;
        FStarted = StartsWith(*line, "started") || StartsWith(*line, "failed");
    }
    if (!FStarted && (FFromHelper < 0 || FHelper.HasEnded()))
        FStarted = true;
    return FStarted;
}

std::vector<WineWindow> WineHost::TopLevelWindows() {
    std::vector<WineWindow> windows;
    std::optional<std::string> answer = Ask("windows");
    if (!answer)
        return windows;
    std::istringstream in(answer->substr(
        answer->find(' ') == std::string::npos ? answer->size() : answer->find(' ') + 1));
    std::string entry;
    while (in >> entry) {
        const size_t colon = entry.find(':');
        if (colon == std::string::npos)
            continue;
        windows.push_back(
            {std::strtoull(entry.c_str(), nullptr, 10), entry.substr(colon + 1) == "1"});
    }
    return windows;
}

std::optional<uint32_t> WineHost::TakeIn(uint64_t window, const WineTakeIn& where) {
    std::ostringstream request;
    request << "take " << window << ' ' << where.X << ' ' << where.Y << ' ' << where.Width << ' '
            << where.Height;
    for (const auto& [x, y] : where.Probes)
        request << ' ' << x << ' ' << y;
    std::optional<std::string> answer = Ask(request.str());
    if (!answer || !StartsWith(*answer, "taken"))
        return std::nullopt;
    return static_cast<uint32_t>(std::strtoul(answer->c_str() + 6, nullptr, 10));
}

bool WineHost::HasEnded() {
    if (FHelper.HasEnded())
        return true;
    if (!Started())
        return false;
    std::optional<std::string> answer = Ask("state");
    return answer && *answer == "ended";
}

// Before the helper has started the program (wine may still be making the prefix), the
// helper's process group holds whatever has been started so far.
void WineHost::Terminate() {
    if (Started())
        Ask("terminate");
    else
        FHelper.Kill();
}

void WineHost::Release() {
    if (FHelper.Pid() == 0)
        return;
    if (!FHelper.HasEnded() && Started())
        Ask("release");
    Close();
    if (!FHelper.Release(kEndLimit)) {
        FHelper.Kill();
        FHelper.Release(kEndLimit);
    }
}

}  // namespace kel::platform
