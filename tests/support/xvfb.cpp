// Starting and stopping Xvfb for the tests.
#include "xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <stdexcept>

#include "test_support.h"

extern char** environ;

namespace testing_support {

XvfbDisplay::XvfbDisplay() {
    // A death test's child runs with its parent's environment: it uses the
    // parent's display instead of starting one it could not stop.
    if (const char* shared = std::getenv("ORDERLINK_TEST_DISPLAY")) {
        display_ = shared;
        ::setenv("DISPLAY", shared, 1);
        ::unsetenv("WAYLAND_DISPLAY");
        return;
    }
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    // Xvfb gets the pipe as descriptor 3 and none of ours besides: one it
    // held would keep a reader of ours (a death test's parent) waiting.
    std::vector<std::string> argv = {"/usr/bin/Xvfb", "-displayfd", "3", "-nolisten", "tcp",
                                     "-screen", "0", "320x240x24"};
    std::vector<char*> args = argvOf(argv);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 3);
    posix_spawn_file_actions_addclosefrom_np(&fa, 4);
    const int rc = posix_spawn(&pid_, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        throw std::runtime_error("cannot start /usr/bin/Xvfb");
    }
    // Xvfb writes the display number it took once it accepts clients.
    const std::string number = readFirstLine(fds[0]);
    if (number.empty()) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        throw std::runtime_error("Xvfb did not start");
    }
    display_ = ":" + number;
    ::setenv("DISPLAY", display_.c_str(), 1);
    ::setenv("ORDERLINK_TEST_DISPLAY", display_.c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
}

XvfbDisplay::~XvfbDisplay() {
    ::unsetenv("DISPLAY");
    if (pid_ < 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    ::unsetenv("ORDERLINK_TEST_DISPLAY");
}

std::string readClipboard() {
    auto r = run({"/usr/bin/xclip", "-o", "-selection", "clipboard"});
    return r.status == 0 ? r.out : std::string();
}

std::string awaitClipboard(const std::string& expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    std::string text = readClipboard();
    while (text != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        text = readClipboard();
    }
    return text;
}

void writeClipboard(const std::string& text) {
    // xclip leaves a process behind that holds the selection; it must not
    // hold our pipes too.
    run({"/bin/sh", "-c", "exec /usr/bin/xclip -selection clipboard >/dev/null 2>&1"}, text);
}

}  // namespace testing_support
