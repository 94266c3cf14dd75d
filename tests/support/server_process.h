// Test servers as real programs: started by the test, stopped by process id.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace testing_support {

// Starts argv and reads the port it prints as its first line of output, or,
// for a server that prints nothing, waits until `port` takes connections.
// The servers are Linux programs; under Wine they are started through Wine's
// own way of running a Unix executable and stopped by their Unix process id.
class ServerProcess {
public:
    explicit ServerProcess(const std::vector<std::string>& argv);
    ServerProcess(const std::vector<std::string>& argv, std::uint16_t port);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    std::uint16_t port() const { return port_; }
    long pid() const { return pid_; }

private:
    long pid_ = -1;
    std::uint16_t port_ = 0;
#if defined(_WIN32)
    TempDir control_;  // the start script, the pid and what the server prints
#endif
};

// pyftpdlib with the user anna / secret, home in a temporary directory, and
// a log of every command line it received.
class PyFtpServer {
public:
    explicit PyFtpServer(const std::string& address = "127.0.0.1");
    std::uint16_t port() const { return process_.port(); }
    std::string host() const;  // "127.0.0.1:port" or "[::1]:port"
    std::filesystem::path home() const { return dir_ / "home"; }
    std::string log() const { return readFile(dir_ / "commands.log"); }

private:
    TempDir dir_;
    std::string address_;
    ServerProcess process_;
};

// The scripted fault server, playing one scenario.
class FaultServer {
public:
    explicit FaultServer(const std::string& scenario);
    std::string host() const { return "127.0.0.1:" + std::to_string(process_.port()); }
    std::string log() const { return readFile(dir_ / "commands.log"); }

private:
    TempDir dir_;
    ServerProcess process_;
};

// vsftpd in the foreground on a loopback port, anonymous uploads into its
// home. Anonymous users may not overwrite: each upload needs a new name.
class Vsftpd {
public:
    Vsftpd();
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::filesystem::path home() const { return dir_ / "home"; }

private:
    TempDir dir_;
    std::uint16_t port_;
    ServerProcess process_;
};

// A port on 127.0.0.1 where nothing listens.
std::uint16_t refusedPort();

// A free port on 127.0.0.1: bound and let go, for a server to take next.
std::uint16_t freePort();

// `path` as the servers see it: itself on Linux, the Unix path under Wine.
std::string serverPath(const std::filesystem::path& path);

}  // namespace testing_support
