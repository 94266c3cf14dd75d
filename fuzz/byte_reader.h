// Reads a fuzzer's bytes as a stream of small decisions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace fuzzing {

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::uint8_t byte() { return empty() ? 0 : data_[pos_++]; }
    std::int64_t integer() {
        std::int64_t v = 0;
        const std::size_t n = std::min<std::size_t>(8, size_ - std::min(pos_, size_));
        std::memcpy(&v, data_ + pos_, n);
        pos_ += n;
        return v;
    }
    double floating() {
        double d = 0;
        const std::size_t n = std::min<std::size_t>(sizeof d, size_ - std::min(pos_, size_));
        std::memcpy(&d, data_ + pos_, n);
        pos_ += n;
        return d;
    }
    std::string text(std::size_t max) {
        const std::size_t asked = byte() % (max + 1);  // before the room left is taken
        const std::size_t want = std::min<std::size_t>(asked, size_ - std::min(pos_, size_));
        std::string s(reinterpret_cast<const char*>(data_ + pos_), want);
        pos_ += want;
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace fuzzing
