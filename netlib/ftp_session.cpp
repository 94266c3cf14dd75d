// The FTP dialog on Asio: every wait has a deadline, every buffer a bound.
#include "ftp_session.h"

#include <array>
#include <cstdio>
#include <optional>
#include <vector>

#include <asio.hpp>

#include "ftp_reply.h"
#include "services.h"

namespace netlib {

using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

Limits Limits::fromSettings() {
    Limits l;
    auto get = [](const char* name, std::chrono::milliseconds d) {
        return std::chrono::milliseconds(apprt::setting(name, d.count()));
    };
    l.connect = get("netlib.connect_ms", l.connect);
    l.reply = get("netlib.reply_ms", l.reply);
    l.stall = get("netlib.stall_ms", l.stall);
    l.quit = get("netlib.quit_ms", l.quit);
    return l;
}

namespace {
constexpr std::size_t kChunk = 256 * 1024;  // one write to the data connection
}

struct FtpSession::Impl {
    Limits limits;
    asio::io_context io;
    tcp::resolver resolver{io};
    tcp::socket control{io};
    tcp::socket data{io};
    tcp::acceptor acceptor{io};
    ReplyReader reader;
    std::array<char, 16 * 1024> readBuffer{};
    bool connected = false;
    bool loggedIn = false;
    std::string error;

    explicit Impl(Limits l) : limits(l) {}

    bool fail(std::string why) {
        error = std::move(why);
        return false;
    }

    void cancelAll() {
        std::error_code ec;
        resolver.cancel();
        control.cancel(ec);
        data.cancel(ec);
        acceptor.cancel(ec);
    }

    // Runs the handlers until `done` holds a result or the deadline passes.
    // At the deadline every pending operation is cancelled (their handlers
    // still run, here) and the answer is false.
    template <class T>
    bool wait(const std::optional<T>& done, Clock::time_point deadline) {
        io.restart();
        while (!done) {
            const auto now = Clock::now();
            if (now >= deadline) break;
            io.run_one_for(deadline - now);
            if (io.stopped() && !done) io.restart();
        }
        if (done) return true;
        cancelAll();
        io.restart();
        while (!done && io.run_one() > 0) {
        }
        return false;
    }

    std::optional<Reply> readReply(Clock::time_point deadline) {
        for (;;) {
            switch (reader.next()) {
            case ReplyReader::Status::Complete: return reader.take();
            case ReplyReader::Status::Malformed:
                dropControl();
                fail("the server sent something that is not an FTP reply");
                return std::nullopt;
            case ReplyReader::Status::TooLong:
                dropControl();
                fail("the server's reply is longer than any reply may be");
                return std::nullopt;
            case ReplyReader::Status::NeedMore: break;
            }
            std::optional<std::error_code> result;
            std::size_t got = 0;
            control.async_read_some(asio::buffer(readBuffer), [&](std::error_code ec, std::size_t n) {
                result = ec;
                got = n;
            });
            if (!wait(result, deadline)) {
                dropControl();
                fail("no reply in time");
                return std::nullopt;
            }
            if (*result) {
                dropControl();
                fail("the connection closed: " + result->message());
                return std::nullopt;
            }
            reader.feed(std::string_view(readBuffer.data(), got));
        }
    }

    bool sendLine(const std::string& line, Clock::time_point deadline) {
        const std::string wire = line + "\r\n";
        std::optional<std::error_code> result;
        asio::async_write(control, asio::buffer(wire),
                          [&](std::error_code ec, std::size_t) { result = ec; });
        if (!wait(result, deadline) || *result) {
            dropControl();
            return fail("cannot send to the server");
        }
        return true;
    }

    // Sends a command and reads its reply. `shown` is how the command appears
    // in error texts (the password never does).
    std::optional<Reply> command(const std::string& line, const std::string& shown) {
        const auto deadline = Clock::now() + limits.reply;
        if (!control.is_open()) {
            fail(shown + ": not connected");
            return std::nullopt;
        }
        if (!sendLine(line, deadline)) {
            error = shown + ": " + error;
            return std::nullopt;
        }
        auto reply = readReply(deadline);
        if (!reply) error = shown + ": " + error;
        return reply;
    }

    bool refused(const std::string& shown, const Reply& r) {
        return fail(shown + ": " + std::to_string(r.code) + " " + r.text);
    }

    void dropControl() {
        std::error_code ec;
        control.close(ec);
        connected = loggedIn = false;
    }

    void closeData() {
        std::error_code ec;
        data.close(ec);
        acceptor.close(ec);
    }

    bool openPassive() {
        std::optional<std::uint16_t> port;
        auto r = command("EPSV", "EPSV");
        if (!r) return false;
        if (r->code == 229) port = parseEpsvPort(r->text);
        if (!port) {
            r = command("PASV", "PASV");
            if (!r) return false;
            if (r->code != 227) return refused("PASV", *r);
            port = parsePasvPort(r->text);
            if (!port) return fail("PASV: no port in " + r->text);
        }
        // The address the server names is not used: behind NAT it is wrong,
        // and a hostile server could point us at a third host.
        std::error_code ec;
        const tcp::endpoint peer(control.remote_endpoint(ec).address(), *port);
        if (ec) return fail("the control connection is gone");
        std::optional<std::error_code> result;
        data.async_connect(peer, [&](std::error_code e) { result = e; });
        if (!wait(result, Clock::now() + limits.reply) || *result)
            return fail("cannot open the data connection to port " + std::to_string(*port));
        return true;
    }

    bool openActive() {
        std::error_code ec;
        const auto local = control.local_endpoint(ec).address();
        if (ec) return fail("the control connection is gone");
        acceptor.open(local.is_v6() ? tcp::v6() : tcp::v4(), ec);
        if (!ec) acceptor.bind(tcp::endpoint(local, 0), ec);
        if (!ec) acceptor.listen(1, ec);
        const auto port = acceptor.local_endpoint(ec).port();
        if (ec) return fail("cannot listen for the data connection: " + ec.message());
        const std::string eprt = "EPRT |" + std::string(local.is_v6() ? "2" : "1") + "|" +
                                 local.to_string() + "|" + std::to_string(port) + "|";
        auto r = command(eprt, "EPRT");
        if (!r) return false;
        if (r->code == 200) return true;
        if (!local.is_v4()) return refused("EPRT", *r);
        const auto bytes = local.to_v4().to_bytes();
        std::string portCmd = "PORT ";
        for (auto b : bytes) portCmd += std::to_string(b) + ",";
        portCmd += std::to_string(port / 256) + "," + std::to_string(port % 256);
        r = command(portCmd, "PORT");
        if (!r) return false;
        return r->code == 200 || refused("PORT", *r);
    }

    // Takes the server's data connection; one from any other address is
    // turned away.
    bool acceptData() {
        std::error_code ec;
        const auto server = control.remote_endpoint(ec).address();
        const auto deadline = Clock::now() + limits.stall;
        for (;;) {
            std::optional<std::error_code> result;
            acceptor.async_accept(data, [&](std::error_code e) { result = e; });
            if (!wait(result, deadline) || *result)
                return fail("the server did not open the data connection");
            if (data.remote_endpoint(ec).address() == server && !ec) break;
            data.close(ec);
        }
        acceptor.close(ec);
        return true;
    }

    bool writeData(const char* bytes, std::size_t size) {
        while (size > 0) {
            std::optional<std::error_code> result;
            std::size_t written = 0;
            data.async_write_some(asio::buffer(bytes, size), [&](std::error_code e, std::size_t n) {
                result = e;
                written = n;
            });
            if (!wait(result, Clock::now() + limits.stall)) return fail("the transfer stalled");
            if (*result) return fail("the data connection broke: " + result->message());
            bytes += written;
            size -= written;
        }
        return true;
    }
};

FtpSession::FtpSession(Limits limits) : impl_(std::make_unique<Impl>(limits)) {}

FtpSession::~FtpSession() { close(); }

bool FtpSession::isConnected() const { return impl_->connected; }
bool FtpSession::isLoggedIn() const { return impl_->loggedIn; }
const std::string& FtpSession::lastError() const { return impl_->error; }

bool FtpSession::connect(std::string_view host) {
    Impl& s = *impl_;
    close();
    const auto target = parseHostPort(host);
    if (!target) return s.fail("not a host: " + std::string(unsafeForCommand(host) ? "(unsafe)" : host));
    const auto deadline = Clock::now() + s.limits.connect;

    std::optional<std::error_code> resolved;
    tcp::resolver::results_type endpoints;
    s.resolver.async_resolve(target->host, std::to_string(target->port),
                             [&](std::error_code ec, tcp::resolver::results_type r) {
                                 resolved = ec;
                                 endpoints = std::move(r);
                             });
    if (!s.wait(resolved, deadline)) return s.fail("cannot resolve " + target->host + " in time");
    if (*resolved) return s.fail("cannot resolve " + target->host + ": " + resolved->message());

    std::optional<std::error_code> connected;
    asio::async_connect(s.control, endpoints,
                        [&](std::error_code ec, const tcp::endpoint&) { connected = ec; });
    if (!s.wait(connected, deadline) || *connected) {
        s.dropControl();
        return s.fail("cannot connect to " + std::string(host) +
                      (*connected ? ": " + connected->message() : std::string(" in time")));
    }
    s.reader = ReplyReader();
    for (;;) {
        auto greeting = s.readReply(deadline);
        if (!greeting) return s.fail("greeting: " + s.error);
        if (greeting->code == 120) continue;  // "ready in a moment"
        if (greeting->code != 220) {
            s.refused("greeting", *greeting);
            s.dropControl();
            return false;
        }
        s.connected = true;
        return true;
    }
}

bool FtpSession::login(std::string_view user, std::string_view password) {
    Impl& s = *impl_;
    s.loggedIn = false;
    if (!s.connected) return s.fail("login: not connected");
    if (unsafeForCommand(user) || unsafeForCommand(password))
        return s.fail("login: the user or password holds a CR, LF or NUL");
    auto r = s.command("USER " + std::string(user), "USER");
    if (!r) return false;
    if (r->code == 331) {
        r = s.command("PASS " + std::string(password), "PASS");
        if (!r) return false;
    }
    if (r->code != 230) return s.refused(r->code == 332 ? "login (account needed)" : "login", *r);
    r = s.command("TYPE I", "TYPE I");
    if (!r) return false;
    if (r->code / 100 != 2) return s.refused("TYPE I", *r);
    s.loggedIn = true;
    return true;
}

bool FtpSession::putFile(const std::filesystem::path& local, bool passive, const Progress& progress) {
    Impl& s = *impl_;
    const std::string name = local.filename().string();
    if (name.empty() || unsafeForCommand(local.string()))
        return s.fail("put: not a usable file name");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(local, ec)) return s.fail("put: no such file: " + local.string());
    const std::uint64_t size = std::filesystem::file_size(local, ec);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(local.string().c_str(), "rb"),
                                                        std::fclose);
    if (ec || !file) return s.fail("put: cannot read " + local.string());
    if (!s.loggedIn) return s.fail("put: not logged in");

    // The data connection goes whatever way this ends, an error of the
    // progress callback included.
    struct DataGuard {
        Impl& s;
        ~DataGuard() { s.closeData(); }
    } guard{s};

    if (!(passive ? s.openPassive() : s.openActive())) return false;
    auto r = s.command("STOR " + name, "STOR " + name);
    if (!r) return false;
    if (r->code != 125 && r->code != 150) return s.refused("STOR " + name, *r);
    if (!passive && !s.acceptData()) return false;

    std::vector<char> buffer(kChunk);
    std::uint64_t sent = 0;
    for (;;) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (n == 0) {
            if (std::ferror(file.get())) return s.fail("put: reading " + local.string() + " failed");
            break;
        }
        if (!s.writeData(buffer.data(), n)) return false;
        sent += n;
        if (progress) progress(name, sent, size);
    }
    if (sent == 0 && progress) progress(name, 0, 0);
    s.data.shutdown(tcp::socket::shutdown_send, ec);
    s.closeData();
    r = s.readReply(Clock::now() + s.limits.reply);
    if (!r) return s.fail("STOR " + name + ": " + s.error);
    if (r->code != 226 && r->code != 250) return s.refused("STOR " + name, *r);
    return true;
}

void FtpSession::close() {
    Impl& s = *impl_;
    if (s.control.is_open() && s.connected) {
        const std::string why = s.error;  // a failing QUIT does not hide what went wrong
        const auto deadline = Clock::now() + s.limits.quit;
        if (s.sendLine("QUIT", deadline)) s.readReply(deadline);
        s.error = why;
    }
    s.closeData();
    s.dropControl();
    s.reader = ReplyReader();
}

}  // namespace netlib
