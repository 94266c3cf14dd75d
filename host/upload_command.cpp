// orderhost upload: UPFTP, with the password kept off the command line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "commands.h"
#include "exit_codes.h"
#include "terminal.h"

namespace host {

using apprt::Value;

namespace {

struct UploadOptions {
    std::string host, user, passwordFile;
    bool passive = false;
    std::vector<std::string> files;
};

// The password: the environment, a file (its first line), or a prompt
// without echo when a person sits at the terminal.
std::optional<std::string> password(const UploadOptions& o) {
    if (const char* env = std::getenv("ORDERHOST_FTP_PASSWORD")) return std::string(env);
    if (!o.passwordFile.empty()) {
        std::ifstream in(o.passwordFile, std::ios::binary);
        if (!in) throw InputUnreadable("cannot read " + o.passwordFile);
        std::string line;
        std::getline(in, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    if (!stdinIsTerminal()) return std::nullopt;
    std::cerr << "Password for " << o.user << "@" << o.host << ": " << std::flush;
    std::string line = readLineWithoutEcho();
    std::cerr << '\n';
    return line;
}

std::string humanBytes(double n) {
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int u = 0;
    while (n >= 1024 && u < 4) n /= 1024, ++u;
    char buf[32];
    std::snprintf(buf, sizeof buf, u ? "%.1f %s" : "%.0f %s", n, units[u]);
    return buf;
}

// A progress line per file on the terminal: name, percent, bytes, rate.
Value progressBar() {
    struct State {
        std::string name;
        std::chrono::steady_clock::time_point start;
    };
    auto state = std::make_shared<State>();
    return apprt::makeBlock([state](apprt::Args a) {
        const std::string& name = a[0].text();
        const double sent = a[1].number(), size = a[2].number();
        const auto now = std::chrono::steady_clock::now();
        if (name != state->name) state->name = name, state->start = now;
        const double seconds = std::chrono::duration<double>(now - state->start).count();
        const int percent = size > 0 ? static_cast<int>(sent * 100 / size) : 100;
        const std::string rate = seconds > 0 ? humanBytes(sent / seconds) + "/s" : "";
        std::fprintf(stderr, "\r%-32.32s %3d%% %11s %13s", name.c_str(), percent,
                     humanBytes(sent).c_str(), rate.c_str());
        if (sent >= size) std::fputc('\n', stderr);
        std::fflush(stderr);
        return Value();
    });
}

}  // namespace

void addUploadCommand(CLI::App& app, Action& action) {
    auto o = std::make_shared<UploadOptions>();
    auto* up = app.add_subcommand("upload", "Upload files to an FTP server with UPFTP");
    up->add_option("--host", o->host, "The server: name, name:port, 1.2.3.4:port or [::1]:port")
        ->required();
    up->add_option("--user", o->user, "The user name")->required();
    up->add_flag("--passive", o->passive, "Passive data connections (default: active)");
    up->add_option("--password-file", o->passwordFile, "Read the password from this file");
    up->add_option("FILE", o->files, "The files to upload")->required();
    up->footer(
        "The password comes from ORDERHOST_FTP_PASSWORD, --password-file, or a prompt;\n"
        "never from the command line. UPFTP pauses 3 seconds after every file.\n"
        "Exit status: 0 when UPFTP answered true (the last upload succeeded), 1 when false,\n"
        "3 runtime error, 64 usage.");
    up->callback([&action, o] {
        action = [o](Session& s) {
            const auto pw = password(*o);
            if (!pw) {
                std::cerr << "orderhost: no password: set ORDERHOST_FTP_PASSWORD or use "
                             "--password-file\n";
                return kUsage;
            }
            s.load("deskkit");
            std::vector<Value> names(o->files.begin(), o->files.end());
            const Value files = names.size() == 1 ? names[0] : apprt::makeArray(std::move(names));
            const Value callback = stderrIsTerminal() ? progressBar() : Value();
            const Value r = apprt::call("UPFTP", {Value(o->host), Value(o->user), Value(*pw), files,
                                                  callback, Value(o->passive)});
            return r == Value(true) ? kTrue : kFalse;
        };
    });
}

}  // namespace host
