// FTP replies and the parts of them a client must read: pure functions, no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace netlib {

struct Reply {
    int code = 0;      // 100..599
    std::string text;  // every line of the reply, joined with '\n'
};

// Collects a server's bytes into replies as RFC 959 frames them: a line
// "ddd text", or a first line "ddd-text" and every line up to one that
// starts "ddd ". Lines end in CR LF (a bare LF is taken too). Memory stays
// bounded: a line longer than kMaxLine or a reply longer than kMaxReply is
// an error, however the bytes arrive.
class ReplyReader {
public:
    static constexpr std::size_t kMaxLine = 8 * 1024;
    static constexpr std::size_t kMaxReply = 64 * 1024;

    enum class Status { NeedMore, Complete, Malformed, TooLong };

    // Adds bytes and tries to complete a reply; on Complete, take() has it and
    // the bytes after it stay for the next reply.
    Status feed(std::string_view bytes);
    // Tries again with the bytes already held.
    Status next();
    Reply take();

private:
    std::string pending_;     // bytes not yet taken into a line
    Reply current_;
    bool inMultiLine_ = false;
    std::size_t replySize_ = 0;
    std::optional<Reply> done_;
};

// The port of a 229 reply, "... (|||port|)" with any delimiter character.
std::optional<std::uint16_t> parseEpsvPort(std::string_view text);
// The port of a 227 reply, "... h1,h2,h3,h4,p1,p2 ..."; the address in it is
// not used: data connections go to the control connection's peer.
std::optional<std::uint16_t> parsePasvPort(std::string_view text);

struct HostPort {
    std::string host;
    std::uint16_t port;
};
// "name", "name:port", "1.2.3.4:port", "[::1]:port", "[::1]", or a bare IPv6
// address; port 21 unless given.
std::optional<HostPort> parseHostPort(std::string_view text);

// A CR, LF or NUL would end a command early and start another.
inline bool unsafeForCommand(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace netlib
