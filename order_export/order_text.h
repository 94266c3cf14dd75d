// The order file's text while send builds it. A position adds four pieces of
// a few bytes each; std::string's append would check, call memcpy and store
// its length for every one. Here the bytes go into room made in large steps,
// and the string takes its final length once, at the end.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "services.h"
#include "value.h"

namespace kvdlink {

class OrderText {
public:
    // As TOTEXT writes the value: an integer's digits without a detour.
    void appendText(const apprt::Value& v) {
        if (v.isInteger()) {
            char* at = room(24);
            used_ = static_cast<std::size_t>(std::to_chars(at, at + 24, v.integer()).ptr - buf_.data());
        } else {
            appendTextOther(v);
        }
    }

    // As `+` joins a text to the file's text: another kind raises its error.
    void append(const apprt::Value& v) {
        if (v.isText()) appendBytes(v.text());
        else appendOther(v);
    }

    void appendBytes(std::string_view bytes) {
        char* at = room(bytes.size());
        copy(at, bytes.data(), bytes.size());
        used_ += bytes.size();
    }

    std::size_t size() const noexcept { return used_; }
    std::string_view view() const noexcept { return {buf_.data(), used_}; }
    std::size_t capacity() const noexcept { return buf_.capacity(); }
    std::size_t maxSize() const noexcept { return buf_.max_size(); }
    void reserve(std::size_t bytes) { buf_.reserve(bytes); }

    // The text, for the file; the builder is empty afterwards.
    std::string take() {
        buf_.resize(used_);
        used_ = 0;
        return std::move(buf_);
    }

private:
    // The rare kinds, out of the way of the common ones.
    [[gnu::noinline]] void appendTextOther(const apprt::Value& v) {
        std::string piece;
        apprt::appendText(piece, v);
        appendBytes(piece);
    }
    [[gnu::noinline]] void appendOther(const apprt::Value& v) {
        std::string piece;
        apprt::appendTo(piece, v);  // raises
        appendBytes(piece);
    }

    // The string's length runs ahead of what is written, a step at a time:
    // within the capacity, resize only fills the next step with zeros, which
    // then stays in the cache for the bytes that overwrite it.
    static constexpr std::size_t kStep = 16 * 1024;

    char* room(std::size_t n) {
        if (buf_.size() - used_ < n) {
            std::size_t want = used_ + n + kStep;
            if (want > buf_.capacity() && buf_.capacity() - used_ >= n) want = buf_.capacity();
            buf_.resize(want);
        }
        return buf_.data() + used_;
    }

    // Pieces are mostly under 16 bytes: fixed-size moves that overlap,
    // instead of a call.
    static void copy(char* to, const char* from, std::size_t n) noexcept {
        if (n >= 8) {
            if (n > 16) {
                std::memcpy(to, from, n);
                return;
            }
            std::uint64_t head, tail;
            std::memcpy(&head, from, 8);
            std::memcpy(&tail, from + n - 8, 8);
            std::memcpy(to, &head, 8);
            std::memcpy(to + n - 8, &tail, 8);
        } else if (n >= 4) {
            std::uint32_t head, tail;
            std::memcpy(&head, from, 4);
            std::memcpy(&tail, from + n - 4, 4);
            std::memcpy(to, &head, 4);
            std::memcpy(to + n - 4, &tail, 4);
        } else if (n > 0) {
            to[0] = from[0];
            to[n / 2] = from[n / 2];
            to[n - 1] = from[n - 1];
        }
    }

    std::string buf_;
    std::size_t used_ = 0;  // bytes written; buf_.size() is the room made
};

// How often the bytes that mark columns and lines occur in a text.
struct Marks {
    std::size_t tabs = 0, crs = 0, lfs = 0;
    bool operator==(const Marks&) const = default;
};

inline Marks marksIn(std::string_view text) noexcept {
    Marks m;
    // In blocks whose counts fit a byte, branch-free: the compiler then
    // compares many bytes at a time.
    for (std::size_t at = 0; at < text.size(); at += 255) {
        const std::string_view block = text.substr(at, 255);
        std::uint8_t tabs = 0, crs = 0, lfs = 0;
        for (const char c : block) {
            tabs = static_cast<std::uint8_t>(tabs + (c == '\t'));
            crs = static_cast<std::uint8_t>(crs + (c == '\r'));
            lfs = static_cast<std::uint8_t>(lfs + (c == '\n'));
        }
        m.tabs += tabs;
        m.crs += crs;
        m.lfs += lfs;
    }
    return m;
}

}  // namespace kvdlink
