// Starting and stopping the test servers.
#include "server_process.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace testing_support {
namespace {

std::filesystem::path script(const char* name) {
    return std::filesystem::path(ORDERLINK_SOURCE_DIR) / "tests" / "ftp" / name;
}

std::filesystem::path prepare(const TempDir& dir) {
    std::filesystem::create_directories(dir / "home");
    writeFile(dir / "commands.log", "");
    return dir.path();
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& argv) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args = argvOf(argv);
    const int rc = posix_spawn(&pid_, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        throw std::runtime_error("cannot start " + argv[0]);
    }
    const std::string line = readFirstLine(out[0]);
    if (line.empty()) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        throw std::runtime_error(argv[1] + " did not start");
    }
    port_ = static_cast<std::uint16_t>(std::stoi(line));
}

ServerProcess::ServerProcess(const std::vector<std::string>& argv, std::uint16_t port) : port_(port) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args = argvOf(argv);
    const int rc = posix_spawn(&pid_, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
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
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error(argv[0] + " did not start listening");
}

ServerProcess::~ServerProcess() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

PyFtpServer::PyFtpServer(const std::string& address)
    : address_(address),
      process_({"/usr/bin/python3", script("pyftpd_server.py").string(), "--home",
                (prepare(dir_) / "home").string(), "--log", (dir_ / "commands.log").string(),
                "--address", address}) {}

std::string PyFtpServer::host() const {
    const std::string a = address_.find(':') != std::string::npos ? "[" + address_ + "]" : address_;
    return a + ":" + std::to_string(port());
}

FaultServer::FaultServer(const std::string& scenario)
    : process_({"/usr/bin/python3", script("fault_server.py").string(), scenario,
                (prepare(dir_) / "commands.log").string()}) {}

namespace {
// A free port: bound and let go; taken again by the server a moment later.
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

std::filesystem::path vsftpdConfig(const TempDir& dir, std::uint16_t port) {
    std::filesystem::create_directories(dir / "home");
    std::filesystem::create_directories(dir / "empty");
    writeFile(dir / "vsftpd.conf",
              "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(port) +
                  "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\n"
                  "no_anon_password=YES\nanon_root=" + (dir / "home").string() +
                  "\nwrite_enable=YES\nanon_upload_enable=YES\npasv_enable=YES\n"
                  "pasv_address=127.0.0.1\nport_enable=YES\nconnect_from_port_20=NO\n"
                  "secure_chroot_dir=" + (dir / "empty").string() +
                  "\nseccomp_sandbox=NO\nlocal_enable=NO\nlisten_ipv6=NO\n");
    return dir / "vsftpd.conf";
}
}  // namespace

Vsftpd::Vsftpd()
    : port_(freePort()), process_({"/usr/sbin/vsftpd", vsftpdConfig(dir_, port_).string()}, port_) {}

std::uint16_t refusedPort() { return freePort(); }  // nothing listens there

}  // namespace testing_support
