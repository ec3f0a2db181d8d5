#include "ProcessGroup.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

extern char** environ;

namespace kel::platform {

namespace {

// The environment of the child: ours, with the request's entries replacing those of the same
// name.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& overrides) {
    std::vector<std::string> result;
    auto overridden = [&](const char* entry) {
        for (const std::string& o : overrides) {
            const size_t name = o.find('=');
            if (name != std::string::npos && std::strncmp(entry, o.c_str(), name + 1) == 0)
                return true;
        }
        return false;
    };
    for (char** e = environ; *e; ++e)
        if (!overridden(*e))
            result.emplace_back(*e);
    result.insert(result.end(), overrides.begin(), overrides.end());
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& t : texts)
        result.push_back(t.data());
    result.push_back(nullptr);
    return result;
}

// Owns the spawn attributes and file actions for one start.
class SpawnSetup {
  public:
    SpawnSetup() {
        posix_spawnattr_init(&FAttributes);
        posix_spawn_file_actions_init(&FActions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&FActions);
        posix_spawnattr_destroy(&FAttributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawnattr_t FAttributes;
    posix_spawn_file_actions_t FActions;
};

}  // namespace

ProcessGroup ProcessGroup::Spawn(const SpawnRequest& request) {
    SpawnSetup setup;
    // A group of its own, with no signal blocked or ignored: the player's own dispositions
    // (a broken pipe ignored, for example) are not the program's business.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setflags(
        &setup.FAttributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&setup.FAttributes, 0);
    posix_spawnattr_setsigmask(&setup.FAttributes, &none);
    posix_spawnattr_setsigdefault(&setup.FAttributes, &all);

    posix_spawn_file_actions_addchdir_np(&setup.FActions, request.Folder.c_str());
    if (request.Input >= 0)
        posix_spawn_file_actions_adddup2(&setup.FActions, request.Input, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&setup.FActions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (request.Output >= 0)
        posix_spawn_file_actions_adddup2(&setup.FActions, request.Output, STDOUT_FILENO);

    std::vector<std::string> arguments = request.Arguments;
    std::vector<std::string> environment = ChildEnvironment(request.Environment);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);
    ProcessGroup group;
    pid_t pid = 0;
    if (!arguments.empty() && posix_spawnp(&pid, argv[0], &setup.FActions, &setup.FAttributes,
                                           argv.data(), envp.data()) == 0)
        group.FPid = pid;
    return group;
}

ProcessGroup::ProcessGroup(ProcessGroup&& other) noexcept : FPid(std::exchange(other.FPid, 0)) {}

ProcessGroup& ProcessGroup::operator=(ProcessGroup&& other) noexcept {
    if (this != &other) {
        ProcessGroup old(std::move(*this));
        FPid = std::exchange(other.FPid, 0);
    }
    return *this;
}

ProcessGroup::~ProcessGroup() {
    if (FPid == 0)
        return;
    if (!HasEnded())
        Kill();
    Release(std::chrono::seconds(2));
}

bool ProcessGroup::HasEnded() const {
    if (FPid == 0)
        return true;
    siginfo_t info{};
    // WNOWAIT leaves the leader unreleased, which keeps its group id from being reused.
    if (waitid(P_PID, static_cast<id_t>(FPid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return true;
    return info.si_pid == FPid;
}

void ProcessGroup::Kill() {
    if (FPid != 0)
        ::kill(-FPid, SIGKILL);
}

bool ProcessGroup::Release(std::chrono::milliseconds limit) {
    if (FPid == 0)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        pid_t done = waitpid(FPid, nullptr, WNOHANG);
        if (done == FPid || (done < 0 && errno != EINTR)) {
            FPid = 0;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

}  // namespace kel::platform
