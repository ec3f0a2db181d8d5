#pragma once
// A child process started in a process group of its own, so that ending it also ends whatever
// it started, and nothing else.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace kel::platform {

struct SpawnRequest {
    std::vector<std::string> Arguments;    // Arguments[0] is the program's path
    std::string Folder;                    // the working directory
    std::vector<std::string> Environment;  // "NAME=value" entries set over the inherited ones
    int Input = -1;                        // becomes the child's standard input; -1: /dev/null
    int Output = -1;                       // becomes the child's standard output; -1: inherited
};

class ProcessGroup {
  public:
    // Starts the program as the leader of a new process group. Returns an empty group (Pid() 0)
    // when the program cannot be started.
    static ProcessGroup Spawn(const SpawnRequest& request);

    ProcessGroup() = default;
    ProcessGroup(ProcessGroup&& other) noexcept;
    ProcessGroup& operator=(ProcessGroup&& other) noexcept;
    ProcessGroup(const ProcessGroup&) = delete;
    ProcessGroup& operator=(const ProcessGroup&) = delete;
    // Ends a group still running, then releases its leader.
    ~ProcessGroup();

    pid_t Pid() const { return FPid; }
    // True once the leader has ended (it is not released by asking).
    bool HasEnded() const;
    // Ends every process of the group. The group's id stays ours while its leader is not
    // released, so this can never reach another user's processes or a stranger's group.
    void Kill();
    // Waits for the leader to end, at most `limit`; releases it and returns true when it ended.
    bool Release(std::chrono::milliseconds limit);

  private:
    pid_t FPid = 0;
};

}  // namespace kel::platform
