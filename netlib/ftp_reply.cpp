// Framing FTP replies and reading passive-mode answers.
#include "ftp_reply.h"

#include <charconv>

namespace netlib {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "ddd" at the start of a line, with the character after it.
bool codeOf(std::string_view line, int& code, char& after) {
    if (line.size() < 3 || !isDigit(line[0]) || !isDigit(line[1]) || !isDigit(line[2])) return false;
    code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    after = line.size() > 3 ? line[3] : ' ';
    return code >= 100 && code <= 599;
}

std::optional<unsigned> number(std::string_view s, unsigned max) {
    unsigned v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty() || v > max) return std::nullopt;
    return v;
}

}  // namespace

ReplyReader::Status ReplyReader::feed(std::string_view bytes) {
    pending_.append(bytes);
    return next();
}

ReplyReader::Status ReplyReader::next() {
    if (done_) return Status::Complete;
    for (;;) {
        const auto nl = pending_.find('\n');
        if (nl == std::string::npos) return pending_.size() > kMaxLine ? Status::TooLong : Status::NeedMore;
        if (nl > kMaxLine) return Status::TooLong;
        std::string_view line(pending_.data(), nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        replySize_ += nl + 1;
        if (replySize_ > kMaxReply) return Status::TooLong;

        int code = 0;
        char after = 0;
        const bool coded = codeOf(line, code, after);
        bool finished = false;
        if (!inMultiLine_) {
            if (!coded || (after != ' ' && after != '-')) return Status::Malformed;
            current_.code = code;
            current_.text.assign(line.substr(line.size() > 4 ? 4 : line.size()));
            inMultiLine_ = after == '-';
            finished = !inMultiLine_;
        } else {
            current_.text += '\n';
            current_.text.append(line);
            finished = coded && code == current_.code && after == ' ';
        }
        pending_.erase(0, nl + 1);
        if (finished) {
            done_ = std::move(current_);
            current_ = {};
            inMultiLine_ = false;
            replySize_ = 0;
            return Status::Complete;
        }
    }
}

Reply ReplyReader::take() {
    Reply r = done_ ? std::move(*done_) : Reply{};
    done_.reset();
    return r;
}

std::optional<std::uint16_t> parseEpsvPort(std::string_view text) {
    const auto open = text.find('(');
    if (open == std::string_view::npos || text.size() < open + 6) return std::nullopt;
    const char d = text[open + 1];
    if (d < 33 || d > 126 || isDigit(d) || text[open + 2] != d || text[open + 3] != d)
        return std::nullopt;
    const auto start = open + 4;
    const auto end = text.find(d, start);
    if (end == std::string_view::npos || end + 1 >= text.size() || text[end + 1] != ')')
        return std::nullopt;
    auto port = number(text.substr(start, end - start), 65535);
    if (!port || *port == 0) return std::nullopt;
    return static_cast<std::uint16_t>(*port);
}

std::optional<std::uint16_t> parsePasvPort(std::string_view text) {
    // The six numbers start at the first digit (RFC 1123 4.1.2.6).
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isDigit(text[i])) continue;
        unsigned values[6];
        std::size_t pos = i;
        int found = 0;
        for (; found < 6; ++found) {
            std::size_t end = pos;
            while (end < text.size() && isDigit(text[end]) && end - pos < 4) ++end;
            auto v = number(text.substr(pos, end - pos), 255);
            if (!v) break;
            values[found] = *v;
            if (found < 5) {
                if (end >= text.size() || text[end] != ',') break;
                pos = end + 1;
            }
        }
        if (found == 6) {
            const unsigned port = values[4] * 256 + values[5];
            if (port == 0) return std::nullopt;
            return static_cast<std::uint16_t>(port);
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<HostPort> parseHostPort(std::string_view text) {
    if (text.empty() || unsafeForCommand(text)) return std::nullopt;
    std::string_view host = text, port;
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close == 1) return std::nullopt;
        host = text.substr(1, close - 1);
        const auto rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return std::nullopt;
            port = rest.substr(1);
            if (port.empty()) return std::nullopt;
        }
    } else if (const auto colon = text.find(':'); colon != std::string_view::npos) {
        if (text.find(':', colon + 1) == std::string_view::npos) {  // one colon: name:port
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            if (host.empty() || port.empty()) return std::nullopt;
        }  // more than one: a bare IPv6 address
    }
    if (host.find_first_of(" \t[]/") != std::string_view::npos) return std::nullopt;
    std::uint16_t p = 21;
    if (!port.empty()) {
        auto v = number(port, 65535);
        if (!v || *v == 0) return std::nullopt;
        p = static_cast<std::uint16_t>(*v);
    }
    return HostPort{std::string(host), p};
}

}  // namespace netlib
