// The FTP reply reader and the parsers of passive replies and host names.
#include <gtest/gtest.h>

#include "ftp_reply.h"

using netlib::ReplyReader;
using Status = netlib::ReplyReader::Status;

namespace {

struct Framed {
    Status status;
    int code;
    std::string text;
};

Framed frame(const std::string& bytes, std::size_t piece = 0) {
    ReplyReader r;
    Status s = Status::NeedMore;
    if (piece == 0) {
        s = r.feed(bytes);
    } else {  // the same bytes arriving in small pieces
        for (std::size_t i = 0; i < bytes.size() && s == Status::NeedMore; i += piece)
            s = r.feed(std::string_view(bytes).substr(i, piece));
    }
    if (s != Status::Complete) return {s, 0, ""};
    auto reply = r.take();
    return {s, reply.code, reply.text};
}

TEST(ReplyReader, FramesAsRfc959Says) {
    struct Case {
        std::string bytes;
        Framed expected;
    } cases[] = {
        {"220 Service ready\r\n", {Status::Complete, 220, "Service ready"}},
        {"220 bare LF\n", {Status::Complete, 220, "bare LF"}},
        {"331\r\n", {Status::Complete, 331, ""}},
        {"220-first\r\n220-second\r\n220 last\r\n", {Status::Complete, 220, "first\n220-second\n220 last"}},
        // Inside a multi-line reply, lines that look like other replies are text.
        {"230-Welcome\r\n 230 not the end\r\n123 other code\r\n230 done\r\n",
         {Status::Complete, 230, "Welcome\n 230 not the end\n123 other code\n230 done"}},
        {"220-open\r\n220-still\r\n", {Status::NeedMore, 0, ""}},
        {"220 no line end yet", {Status::NeedMore, 0, ""}},
        {"hello\r\n", {Status::Malformed, 0, ""}},
        {"22 short\r\n", {Status::Malformed, 0, ""}},
        {"220x\r\n", {Status::Malformed, 0, ""}},
        {"999 out of range\r\n", {Status::Malformed, 0, ""}},
        {"220 " + std::string(ReplyReader::kMaxLine + 10, 'x'), {Status::TooLong, 0, ""}},
        {"220-" + std::string(ReplyReader::kMaxLine + 10, 'x') + "\r\n", {Status::TooLong, 0, ""}},
    };
    for (const auto& c : cases)
        for (std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{7}}) {
            const auto got = frame(c.bytes, piece);
            EXPECT_EQ(got.status, c.expected.status) << c.bytes.substr(0, 40) << " piece " << piece;
            EXPECT_EQ(got.code, c.expected.code);
            EXPECT_EQ(got.text, c.expected.text);
        }
}

TEST(ReplyReader, EndlessMultiLineRepliesStayBounded) {
    ReplyReader r;
    Status s = r.feed("220-start\r\n");
    std::size_t fed = 0;
    while (s == Status::NeedMore && fed < 10 * ReplyReader::kMaxReply) {
        s = r.feed(" more text\r\n");
        fed += 12;
    }
    EXPECT_EQ(s, Status::TooLong);
    EXPECT_LE(fed, ReplyReader::kMaxReply + 12);
}

TEST(ReplyReader, KeepsWhatFollowsForTheNextReply) {
    ReplyReader r;
    ASSERT_EQ(r.feed("331 Password\r\n230 In\r\n200 Ty"), Status::Complete);
    EXPECT_EQ(r.take().code, 331);
    ASSERT_EQ(r.next(), Status::Complete);
    EXPECT_EQ(r.take().code, 230);
    EXPECT_EQ(r.next(), Status::NeedMore);
    ASSERT_EQ(r.feed("pe I\r\n"), Status::Complete);
    EXPECT_EQ(r.take().text, "Type I");
}

TEST(PassiveReplies, Ports) {
    struct Case {
        const char* text;
        std::optional<std::uint16_t> epsv, pasv;
    } cases[] = {
        {"Entering Extended Passive Mode (|||6446|)", 6446, std::nullopt},
        {"EPSV ok (!!!21!)", 21, std::nullopt},
        {"(|||0|)", std::nullopt, std::nullopt},
        {"(|||65536|)", std::nullopt, std::nullopt},
        {"(|||12a|)", std::nullopt, std::nullopt},
        {"(||6446|)", std::nullopt, std::nullopt},
        {"(|||6446|", std::nullopt, std::nullopt},
        {"Entering Passive Mode (127,0,0,1,19,137).", std::nullopt, 19 * 256 + 137},
        {"=10,9,8,7,255,255", std::nullopt, 65535},
        {"Entering Passive Mode (127,0,0,1,256,1)", std::nullopt, std::nullopt},
        {"Entering Passive Mode (127,0,0,1,19)", std::nullopt, std::nullopt},
        {"Entering Passive Mode (127,0,0,1,0,0)", std::nullopt, std::nullopt},
        {"no numbers", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(netlib::parseEpsvPort(c.text), c.epsv) << c.text;
        EXPECT_EQ(netlib::parsePasvPort(c.text), c.pasv) << c.text;
    }
}

TEST(HostNames, Forms) {
    struct Case {
        std::string text;
        bool ok;
        std::string host;
        std::uint16_t port;
    } cases[] = {
        {"ftp.example.com", true, "ftp.example.com", 21},
        {"ftp.example.com:2121", true, "ftp.example.com", 2121},
        {"127.0.0.1:21", true, "127.0.0.1", 21},
        {"[::1]:2121", true, "::1", 2121},
        {"[::1]", true, "::1", 21},
        {"::1", true, "::1", 21},
        {"", false, "", 0},
        {"host:", false, "", 0},
        {"host:0", false, "", 0},
        {"host:65536", false, "", 0},
        {"host:21x", false, "", 0},
        {"[::1]2121", false, "", 0},
        {"[]:21", false, "", 0},
        {"host\r\nUSER x", false, "", 0},
        {std::string("host\0x", 6), false, "", 0},
        {"two words", false, "", 0},
    };
    for (const auto& c : cases) {
        const auto hp = netlib::parseHostPort(c.text);
        EXPECT_EQ(hp.has_value(), c.ok) << c.text;
        if (hp && c.ok) {
            EXPECT_EQ(hp->host, c.host);
            EXPECT_EQ(hp->port, c.port);
        }
    }
}

}  // namespace
