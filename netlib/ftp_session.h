// An FTP client session: one control connection, uploads over data connections.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace netlib {

// Time limits, so that no server can hang the caller.
struct Limits {
    std::chrono::milliseconds connect{15000};  // TCP connect plus the greeting
    std::chrono::milliseconds reply{30000};    // each reply
    std::chrono::milliseconds stall{30000};    // a data transfer without progress
    std::chrono::milliseconds quit{2000};      // QUIT on the way out

    // The defaults, shortened or lengthened by the runtime settings
    // netlib.connect_ms, netlib.reply_ms, netlib.stall_ms and netlib.quit_ms.
    static Limits fromSettings();
};

// Called after each piece of a file went out: the remote name, the bytes
// sent so far and the file's size. What it throws ends the upload.
using Progress = std::function<void(const std::string& name, std::uint64_t sent, std::uint64_t size)>;

// Every answer is true or false; why a false came is in lastError(), with the
// server's reply where there was one, and never with the password.
class FtpSession {
public:
    explicit FtpSession(Limits limits = {});
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // Connects and reads the greeting: true on 220.
    bool connect(std::string_view host);
    // USER, PASS when asked (331), then TYPE I: true when logged in.
    bool login(std::string_view user, std::string_view password);
    // Stores the local file under its own base name in the server's current
    // directory: true on the final 226 or 250.
    bool putFile(const std::filesystem::path& local, bool passive, const Progress& progress = {});
    // QUIT with a short limit, then closes; safe in any state, and again.
    void close();

    bool isConnected() const;
    bool isLoggedIn() const;
    const std::string& lastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace netlib
