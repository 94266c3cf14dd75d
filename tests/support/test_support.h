// Small helpers the tests share: temporary directories, files, child processes.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::vector<std::string> listDir(const std::filesystem::path& dir);

#if !defined(_WIN32)
struct RunResult {
    int status;  // exit status, or 128 + signal
    std::string out, err;
};

// Runs a program (argv[0] a path) to its end, feeding `input` to its standard
// input and collecting its standard output and error.
RunResult run(const std::vector<std::string>& argv, const std::string& input = {},
              const std::vector<std::string>& extraEnv = {});

#endif

// The directory that holds the test executables, orderhost and the plug-ins.
std::filesystem::path binDir();

// The text of the runtime's error that `f` raises, or "(no error)".
std::string errorOf(const std::function<void()>& f);

// Runs `body` and exits with what it answers: the statement of a death
// test (EXPECT_EXIT) that checks something in a fresh process.
[[noreturn]] void exitWith(const std::function<int()>& body);

// Open file descriptors (on Windows: handles) of this process, for checks
// that nothing leaks.
std::size_t openDescriptorCount();

#if !defined(_WIN32)
// The processes whose parent is this process, and which of them are zombies.
struct Children {
    std::vector<int> running, zombies;
};
Children children();

// argv as posix_spawn takes it: pointers into `args`, ending in nullptr.
std::vector<char*> argvOf(const std::vector<std::string>& args);
// The first line a starting server writes to `fd` (its port, its display),
// waiting up to 15 s for each byte; closes `fd`. Empty when none came.
std::string readFirstLine(int fd);
#endif

}  // namespace testing_support
