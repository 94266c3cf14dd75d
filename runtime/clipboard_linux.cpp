// The Linux clipboard through the desktop's helper programs.
#include <cstdlib>

#include "clipboard_backend.h"
#include "process_posix.h"
#include "text_encoding.h"

namespace apprt::detail {
namespace {

bool set(const char* env) {
    const char* v = std::getenv(env);
    return v && *v;
}

// The helper for this desktop: wl-copy on Wayland, else xsel or xclip on X.
std::vector<std::string> helperCommand() {
    if (set("WAYLAND_DISPLAY"))
        if (auto p = findProgram("wl-copy")) return {*p};
    if (set("DISPLAY")) {
        if (auto p = findProgram("xsel")) return {*p, "--clipboard", "--input"};
        if (auto p = findProgram("xclip")) return {*p, "-selection", "clipboard"};
    }
    return {};
}

}  // namespace

bool setClipboardText(std::string_view text) {
    auto argv = helperCommand();
    if (argv.empty()) return false;
    // Linux desktops speak UTF-8; our texts are Windows-1252 unless they
    // already are valid UTF-8.
    const std::string data =
        isValidUtf8(text) ? std::string(text) : windows1252ToUtf8(text);
    const pid_t pid = spawnDetached({std::move(argv), {}, &data});
    if (pid < 0) return false;
    // The helpers fork a process that holds the selection and exit at once.
    auto status = waitExit(pid, std::chrono::seconds(5));
    return !status || *status == 0;
}

}  // namespace apprt::detail
