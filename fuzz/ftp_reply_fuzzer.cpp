// A server's bytes, in pieces of any size, to the FTP client's reply reader
// and its parsers: no crash, bounded memory, and replies as RFC 959 frames them.
#include <cstdint>
#include <cstdlib>

#include "byte_reader.h"
#include "ftp_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    netlib::parseEpsvPort(all);
    netlib::parsePasvPort(all);
    if (auto hp = netlib::parseHostPort(all)) {
        if (hp->port == 0 || netlib::unsafeForCommand(hp->host)) std::abort();
    }

    netlib::ReplyReader reader;
    fuzzing::ByteReader in(data, size);
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t piece = std::min<std::size_t>(1 + in.byte() % 64, size - pos);
        auto status = reader.feed(all.substr(pos, piece));
        pos += piece;
        while (status == netlib::ReplyReader::Status::Complete) {
            const auto reply = reader.take();
            if (reply.code < 100 || reply.code > 599) std::abort();
            if (reply.text.size() > netlib::ReplyReader::kMaxReply) std::abort();
            status = reader.next();
        }
        if (status != netlib::ReplyReader::Status::NeedMore) break;  // the client hangs up here
    }
    return 0;
}
