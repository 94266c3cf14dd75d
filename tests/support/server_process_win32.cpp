// Starting and stopping the test servers under Wine. The servers are Linux
// programs: Wine runs a Unix executable handed to CreateProcess, but gives no
// process handle for it, so a small shell script records the server's Unix
// process id and redirects its output to files, and the server is stopped by
// running kill with that id.
// winsock2.h must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <thread>

#include "server_process.h"

namespace testing_support {
namespace {

using namespace std::chrono_literals;

// Wine's kernel32 maps a Windows path to the Unix one; Windows has no such thing.
std::string unixPathOf(const std::filesystem::path& path) {
    using Fn = char*(CDECL*)(const wchar_t*);
    static const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) throw std::runtime_error("the test servers need Wine");
    char* unix = fn(std::filesystem::absolute(path).wstring().c_str());
    if (!unix) throw std::runtime_error("no Unix path for " + path.string());
    std::string result(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

std::string shellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a Unix program; it runs on its own, there is nothing to wait for.
void startUnix(const std::string& commandLine) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        throw std::runtime_error("cannot run " + commandLine);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
}

// Starts argv through a script in `control`, with its output in control/out.
void startServer(const std::vector<std::string>& argv, const TempDir& control) {
    const std::string dir = unixPathOf(control.path());
    std::string exec = "exec";
    for (const auto& a : argv) exec += " " + shellQuoted(a);
    writeFile(control / "start.sh",
              "exec </dev/null >/dev/null 2>&1\n"
              "echo $$ > " +
                  shellQuoted(dir + "/pid.tmp") +
                  "\n"
                  "mv " +
                  shellQuoted(dir + "/pid.tmp") + " " + shellQuoted(dir + "/pid") + "\n" + exec +
                  " >" + shellQuoted(dir + "/out") + " 2>" + shellQuoted(dir + "/err") + "\n");
    startUnix("Z:\\bin\\sh \"" + dir + "/start.sh\"");
}

std::string readIfThere(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())
              : "";
}

// The server's Unix process id, once its script has written it.
long awaitPid(const TempDir& control) {
    for (auto until = std::chrono::steady_clock::now() + 15s;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(10ms)) {
        const std::string text = readIfThere(control / "pid");
        if (!text.empty()) return std::stol(text);
    }
    throw std::runtime_error("the server's script did not start");
}

// Gone, or a zombie that its reaper has not collected yet.
bool ended(long pid) {
    const std::string stat = readIfThere("Z:\\proc\\" + std::to_string(pid) + "\\stat");
    const auto close = stat.rfind(')');
    return stat.empty() || (close != std::string::npos && stat.compare(close, 3, ") Z") == 0);
}

void stop(long pid) {
    if (pid <= 0) return;
    startUnix("Z:\\bin\\kill -TERM " + std::to_string(pid));
    for (int i = 0; i < 500 && !ended(pid); ++i) std::this_thread::sleep_for(10ms);
    if (!ended(pid)) startUnix("Z:\\bin\\kill -KILL " + std::to_string(pid));
    for (int i = 0; i < 500 && !ended(pid); ++i) std::this_thread::sleep_for(10ms);
}

struct Winsock {
    Winsock() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~Winsock() { WSACleanup(); }
};

void needWinsock() {
    static Winsock winsock;
}

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

bool takesConnections(std::uint16_t port) {
    needWinsock();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = loopback(port);
    const bool up = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::closesocket(s);
    return up;
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& argv) {
    startServer(argv, control_);
    pid_ = awaitPid(control_);
    for (auto until = std::chrono::steady_clock::now() + 15s;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(10ms)) {
        const std::string out = readIfThere(control_ / "out");
        if (const auto eol = out.find('\n'); eol != std::string::npos) {
            port_ = static_cast<std::uint16_t>(std::stoi(out.substr(0, eol)));
            return;
        }
        if (ended(pid_)) break;
    }
    stop(pid_);
    throw std::runtime_error(argv[1] + " did not start: " + readIfThere(control_ / "err"));
}

ServerProcess::ServerProcess(const std::vector<std::string>& argv, std::uint16_t port)
    : port_(port) {
    startServer(argv, control_);
    pid_ = awaitPid(control_);
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (takesConnections(port)) return;
        std::this_thread::sleep_for(20ms);
    }
    stop(pid_);
    throw std::runtime_error(argv[0] +
                             " did not start listening: " + readIfThere(control_ / "err"));
}

ServerProcess::~ServerProcess() {
    stop(pid_);
}

std::uint16_t freePort() {
    needWinsock();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = loopback(0);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::closesocket(s);
    return ntohs(a.sin_port);
}

std::string serverPath(const std::filesystem::path& path) {
    return unixPathOf(path);
}

}  // namespace testing_support
