// The test servers and their configurations, on every platform.
#include "server_process.h"

namespace testing_support {
namespace {

std::string script(const char* name) {
    return std::string(ORDERLINK_SOURCE_DIR) + "/tests/ftp/" + name;
}

std::filesystem::path prepare(const TempDir& dir) {
    std::filesystem::create_directories(dir / "home");
    writeFile(dir / "commands.log", "");
    return dir.path();
}

std::filesystem::path vsftpdConfig(const TempDir& dir, std::uint16_t port) {
    std::filesystem::create_directories(dir / "home");
    std::filesystem::create_directories(dir / "empty");
    writeFile(dir / "vsftpd.conf",
              "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(port) +
                  "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\n"
                  "no_anon_password=YES\nanon_root=" +
                  serverPath(dir / "home") +
                  "\nwrite_enable=YES\nanon_upload_enable=YES\npasv_enable=YES\n"
                  "pasv_address=127.0.0.1\nport_enable=YES\nconnect_from_port_20=NO\n"
                  "secure_chroot_dir=" +
                  serverPath(dir / "empty") +
                  "\nseccomp_sandbox=NO\nlocal_enable=NO\nlisten_ipv6=NO\n");
    return dir / "vsftpd.conf";
}

}  // namespace

PyFtpServer::PyFtpServer(const std::string& address)
    : address_(address),
      process_({"/usr/bin/python3", script("pyftpd_server.py"), "--home",
                serverPath(prepare(dir_) / "home"), "--log", serverPath(dir_ / "commands.log"),
                "--address", address}) {}

std::string PyFtpServer::host() const {
    const std::string a = address_.find(':') != std::string::npos ? "[" + address_ + "]" : address_;
    return a + ":" + std::to_string(port());
}

FaultServer::FaultServer(const std::string& scenario)
    : process_({"/usr/bin/python3", script("fault_server.py"), scenario,
                serverPath(prepare(dir_) / "commands.log")}) {}

Vsftpd::Vsftpd()
    : port_(freePort()),
      process_({"/usr/sbin/vsftpd", serverPath(vsftpdConfig(dir_, port_))}, port_) {}

std::uint16_t refusedPort() {
    return freePort();
}  // nothing listens there

}  // namespace testing_support
