#include "BenchUtil.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "Error.h"

extern char** environ;

namespace kel::bench {

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

long PeakRssKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

namespace {

// posix_spawn file actions, destroyed on every way out.
class FileActions {
  public:
    FileActions() { posix_spawn_file_actions_init(&FActions); }
    ~FileActions() { posix_spawn_file_actions_destroy(&FActions); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &FActions; }

  private:
    posix_spawn_file_actions_t FActions;
};

std::string ReadToEnd(int fd) {
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0)
            text.append(buf, static_cast<size_t>(n));
    }
    return text;
}

}  // namespace

ChildRun RunChild(const std::vector<std::string>& argv, const std::string& stdinPath,
                  const std::string& stdoutPath) {
    FileActions actions;
    if (!stdinPath.empty())
        posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, stdinPath.c_str(), O_RDONLY,
                                         0);
    int pipeFds[2] = {-1, -1};
    if (!stdoutPath.empty()) {
        posix_spawn_file_actions_addopen(actions.Get(), STDOUT_FILENO, stdoutPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    } else {
        if (pipe2(pipeFds, O_CLOEXEC) != 0)
            throw Error("cannot make a pipe");
        posix_spawn_file_actions_adddup2(actions.Get(), pipeFds[1], STDOUT_FILENO);
    }
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    ChildRun run;
    const Stopwatch clock;
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], actions.Get(), nullptr, args.data(), environ);
    if (pipeFds[1] >= 0)
        close(pipeFds[1]);
    if (spawned != 0) {
        if (pipeFds[0] >= 0)
            close(pipeFds[0]);
        throw Error(Format("cannot start %s (%s)", args[0], std::strerror(spawned)));
    }
    if (pipeFds[0] >= 0) {
        run.Output = ReadToEnd(pipeFds[0]);
        close(pipeFds[0]);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.Seconds = clock.Seconds();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw Error(Format("%s failed (status %d)", args[0], status));
    return run;
}

std::string SelfPath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        throw Error("cannot find the running program");
    return std::string(path, static_cast<size_t>(n));
}

uint32_t FileCrc32(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error(Format("cannot read %s", path.c_str()));
    std::vector<char> buf(1 << 20);
    uLong crc = crc32(0, nullptr, 0);
    while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0)
        crc =
            crc32(crc, reinterpret_cast<const Bytef*>(buf.data()), static_cast<uInt>(in.gcount()));
    return static_cast<uint32_t>(crc);
}

}  // namespace kel::bench
