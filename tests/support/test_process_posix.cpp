// Test helpers for POSIX: child processes, their state, descriptors.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "test_support.h"

extern char** environ;

namespace testing_support {

RunResult run(const std::vector<std::string>& argv, const std::string& input,
              const std::vector<std::string>& extraEnv) {
    // A child that exits before reading its input must not kill the test.
    sigset_t pipeOnly, old;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &old);
    struct Restore {
        sigset_t set, old;
        ~Restore() {
            const timespec zero{0, 0};
            while (sigtimedwait(&set, nullptr, &zero) > 0) {
            }
            pthread_sigmask(SIG_SETMASK, &old, nullptr);
        }
    } restore{pipeOnly, old};
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    for (const auto& kv : extraEnv) {
        const auto key = kv.substr(0, kv.find('=') + 1);
        std::erase_if(env, [&](const std::string& e) { return e.rfind(key, 0) == 0; });
        if (kv.back() != '=') env.push_back(kv);  // "NAME=" removes NAME
    }
    std::vector<char*> args = argvOf(argv), envp = argvOf(env);
    pid_t pid;
    const int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);

    RunResult r{};
    std::size_t written = 0;
    if (input.empty()) ::close(in[1]), in[1] = -1;
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
    int open = 2;
    while (open > 0 || in[1] >= 0) {
        fds[2].fd = in[1];
        if (::poll(fds, 3, -1) < 0) continue;
        char buf[65536];
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? r.out : r.err).append(buf, static_cast<std::size_t>(n));
            }
        }
        if (in[1] >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = (fds[2].revents & POLLOUT)
                                  ? ::write(in[1], input.data() + written, input.size() - written)
                                  : -1;
            if (n > 0) written += static_cast<std::size_t>(n);
            if (n <= 0 || written == input.size()) ::close(in[1]), in[1] = -1;
        }
        if (open == 0 && in[1] >= 0) ::close(in[1]), in[1] = -1;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

Children children() {
    Children c;
    const int self = ::getpid();
    for (const auto& e : std::filesystem::directory_iterator("/proc")) {
        const std::string name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(e.path() / "stat");
        std::string line;
        if (!std::getline(in, line)) continue;
        // pid (comm) state ppid ...; comm may hold blanks and parentheses.
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) != 2) continue;
        if (ppid != self) continue;
        (state == 'Z' ? c.zombies : c.running).push_back(std::stoi(name));
    }
    return c;
}

std::vector<char*> argvOf(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

std::string readFirstLine(int fd) {
    std::string line;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 15000) > 0) {
        char c;
        if (::read(fd, &c, 1) != 1 || c == '\n') break;
        line += c;
    }
    ::close(fd);
    return line;
}

std::size_t openDescriptorCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

}  // namespace testing_support
