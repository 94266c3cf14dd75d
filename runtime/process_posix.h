// Starting the desktop's helper programs: detached, and never a danger to the host.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace apprt::detail {

// The full path of a program on PATH, if it is there.
std::optional<std::string> findProgram(std::string_view name);

struct SpawnRequest {
    std::vector<std::string> argv;
    std::string cwd;                  // empty: the host's
    const std::string* input = nullptr;  // fed to standard input, then closed
};

// Starts the program in a session of its own (a Ctrl-C at the host does not
// reach it), with default signal handling, standard output and error on
// /dev/null. Writes the input with SIGPIPE held off this thread. Answers the
// child's pid, or -1 when it could not be started.
pid_t spawnDetached(const SpawnRequest& request);

// Waits up to `limit` for the child to exit. Answers its exit status, or
// nullopt when it still runs (it is then reaped later by reapFinished) or
// could not be waited for (a host that ignores SIGCHLD reaps for itself).
std::optional<int> waitExit(pid_t pid, std::chrono::milliseconds limit);

// Reaps, without blocking, the children that waitExit gave up on.
void reapFinished();

}  // namespace apprt::detail
