// The Linux desktop layer: the desktop's window handle, and ShellExecuteA of
// SHELL32.DLL, which opens a document with the application the desktop
// associates with it and answers as Windows does.
#include <unistd.h>

#include <filesystem>

#include "builtins.h"
#include "dynamic_call.h"
#include "error.h"
#include "process_posix.h"
#include "symbol.h"

namespace apprt::detail {
namespace {

// The answers of ShellExecute: above 32 success, otherwise an error code.
constexpr std::int64_t kFileNotFound = 2;
constexpr std::int64_t kPathNotFound = 3;
constexpr std::int64_t kAccessDenied = 5;
constexpr std::int64_t kNoAssociation = 31;
constexpr std::int64_t kStarted = 42;

std::string optionalText(const Value& v, const char* what) {
    if (v.isNil()) return {};
    return v.text(std::string("ShellExecuteA ") + what);
}

std::int64_t launch(const std::filesystem::path& file, const std::filesystem::path& dir) {
    if (auto gio = findProgram("gio")) {
        // gio starts the application and returns without waiting for it; its
        // exit status says whether there was one to start.
        const pid_t pid = spawnDetached({{*gio, "open", file.string()}, dir.string(), nullptr});
        if (pid < 0) return kNoAssociation;
        const auto status = waitExit(pid, std::chrono::seconds(10));
        return !status || *status == 0 ? kStarted : kNoAssociation;
    }
    if (auto xdg = findProgram("xdg-open")) {
        // Without a desktop session xdg-open waits for the application: give
        // it half a second to fail, and take a running opener as started.
        const pid_t pid = spawnDetached({{*xdg, file.string()}, dir.string(), nullptr});
        if (pid < 0) return kNoAssociation;
        const auto status = waitExit(pid, std::chrono::milliseconds(500));
        return !status || *status == 0 ? kStarted : kNoAssociation;
    }
    return kNoAssociation;
}

std::int64_t shellExecute(std::span<const Value> a) {
    // hwnd, verb, file, parameters, directory, show command
    const auto arg = [&](std::size_t i) -> const Value& { return i < a.size() ? a[i] : nilValue(); };
    const std::string verb = optionalText(arg(1), "verb");
    const std::string file = optionalText(arg(2), "file");
    const std::string dirText = optionalText(arg(4), "directory");
    if (!verb.empty() && foldName(verb) != "open") return kNoAssociation;

    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = dirText.empty() ? fs::current_path(ec) : fs::path(dirText);
    if (dirText.find('\0') != std::string::npos || !fs::is_directory(dir, ec)) return kPathNotFound;
    if (file.empty() || file.find('\0') != std::string::npos) return kFileNotFound;
    fs::path path = fs::path(file).is_absolute() ? fs::path(file) : dir / file;
    const auto status = fs::status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
        return kAccessDenied;
    if (!fs::exists(status)) return kFileNotFound;
    if (::access(path.c_str(), R_OK) != 0) return kAccessDenied;
    path = fs::absolute(path, ec).lexically_normal();
    return launch(path, dir);
}

}  // namespace

// X11 and Wayland hand out no window handle a Windows function could take.
std::int64_t desktopWindowHandle() { return 0; }

bool callStandIn(const std::string& library, const std::string& function,
                 std::span<const Value> args, Value& answer) {
    if (foldName(library) != "shell32.dll") return false;
    if (foldName(function) != "shellexecutea")
        throw Error("DLLCALL", "no function '" + function + "' in '" + library + "'");
    answer = Value(shellExecute(args));
    return true;
}

}  // namespace apprt::detail
