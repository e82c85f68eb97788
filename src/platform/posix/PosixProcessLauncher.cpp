#include "platform/posix/PosixProcessLauncher.h"

#include "platform/posix/CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quorvel::platform::posix {
namespace {

class FileActions {
  public:
    FileActions() { m_ok = ::posix_spawn_file_actions_init(&m_actions) == 0; }
    ~FileActions() {
        if (m_ok) {
            ::posix_spawn_file_actions_destroy(&m_actions);
        }
    }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    // Standard streams on /dev/null, every other descriptor closed: nothing is inherited.
    bool isolate() {
        for (int fd = 0; fd <= 2; ++fd) {
            const int flags = fd == 0 ? O_RDONLY : O_WRONLY;
            m_ok = m_ok &&
                   ::posix_spawn_file_actions_addopen(&m_actions, fd, "/dev/null", flags, 0) == 0;
        }
        return m_ok && ::posix_spawn_file_actions_addclosefrom_np(&m_actions, 3) == 0;
    }
    posix_spawn_file_actions_t* get() { return &m_actions; }

  private:
    posix_spawn_file_actions_t m_actions{};
    bool m_ok = false;
};

// True once the child has ended (and is reaped); false while it still runs.
bool Reaped(pid_t pid) {
    int status = 0;
    const pid_t got = ::waitpid(pid, &status, WNOHANG);
    // ECHILD: someone else reaped it (SIGCHLD ignored): it has ended all the same.
    return got == pid || (got < 0 && errno != EINTR);
}

bool WaitBounded(pid_t pid, std::chrono::milliseconds bound) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + bound;
    auto pause = std::chrono::milliseconds(1);
    while (!Reaped(pid)) {
        const auto now = Clock::now();
        if (now >= deadline) {
            ::kill(pid, SIGKILL);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace

bool PosixProcessLauncher::RunAndWait(std::string_view commandLine,
                                      std::chrono::milliseconds bound) {
    std::vector<std::string> args = SplitWindowsCommandLine(commandLine);
    if (args.empty() || args.front().empty()) {
        return false;
    }
    for (const std::string& arg : args) {
        if (arg.find('\0') != std::string::npos) {
            return false;
        }
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    FileActions actions;
    if (!actions.isolate()) {
        return false;
    }
    pid_t pid = 0;
    // A bare name is looked up on PATH, as the Windows loader searches its folders.
    const bool bareName = args.front().find('/') == std::string::npos;
    const int rc = bareName
                       ? ::posix_spawnp(&pid, argv[0], actions.get(), nullptr, argv.data(), environ)
                       : ::posix_spawn(&pid, argv[0], actions.get(), nullptr, argv.data(), environ);
    if (rc != 0) {
        return false;
    }
    return WaitBounded(pid, bound);
}

} // namespace quorvel::platform::posix
