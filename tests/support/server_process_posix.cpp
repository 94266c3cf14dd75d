// Starting and stopping the test servers on Linux: posix_spawn, kill, waitpid.
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "server_process.h"

extern char** environ;

namespace testing_support {
namespace {

// Starts argv with standard input from /dev/null and standard output on
// `out` (or /dev/null when -1); answers the child's pid, or -1.
pid_t spawn(const std::vector<std::string>& argv, int out) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    if (out >= 0) posix_spawn_file_actions_adddup2(&fa, out, 1);
    else posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args = argvOf(argv);
    pid_t child = -1;
    const int rc = posix_spawn(&child, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? child : -1;
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& argv) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_ = spawn(argv, out[1]);
    ::close(out[1]);
    if (pid_ < 0) {
        ::close(out[0]);
        throw std::runtime_error("cannot start " + argv[0]);
    }
    const std::string line = readFirstLine(out[0]);
    if (line.empty()) {
        ::kill(static_cast<pid_t>(pid_), SIGKILL);
        ::waitpid(static_cast<pid_t>(pid_), nullptr, 0);
        throw std::runtime_error(argv[1] + " did not start");
    }
    port_ = static_cast<std::uint16_t>(std::stoi(line));
}

ServerProcess::ServerProcess(const std::vector<std::string>& argv, std::uint16_t port)
    : port_(port) {
    pid_ = spawn(argv, -1);
    if (pid_ < 0) throw std::runtime_error("cannot start " + argv[0]);
    for (int attempt = 0; attempt < 300; ++attempt) {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        const bool up = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        if (up) return;
        ::usleep(20000);
    }
    ::kill(static_cast<pid_t>(pid_), SIGKILL);
    ::waitpid(static_cast<pid_t>(pid_), nullptr, 0);
    throw std::runtime_error(argv[0] + " did not start listening");
}

ServerProcess::~ServerProcess() {
    if (pid_ <= 0) return;  // never kill(-1): that would reach every process
    ::kill(static_cast<pid_t>(pid_), SIGTERM);
    ::waitpid(static_cast<pid_t>(pid_), nullptr, 0);
}

std::uint16_t freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

std::string serverPath(const std::filesystem::path& path) {
    return path.string();
}

}  // namespace testing_support
