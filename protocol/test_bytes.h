// Byte-level helpers for the protocol tests. They read and write raw offsets
// on their own, so that a test never checks a builder with its own parser.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_order.h"

namespace zemra::protocol::test {

using Bytes = std::vector<uint8_t>;

inline uint16_t le16(const Bytes& p, std::size_t at) {
    return at + 2 <= p.size() ? getLe16(p.data() + at) : 0xDEAD;
}

inline uint32_t le32(const Bytes& p, std::size_t at) {
    return at + 4 <= p.size() ? getLe32(p.data() + at) : 0xDEADBEEF;
}

// The NUL-terminated text starting at `at`; "<no NUL>" when it runs off the end.
inline std::string textAt(const Bytes& p, std::size_t at) {
    if (at >= p.size()) return "<outside>";
    const auto* begin = reinterpret_cast<const char*>(p.data() + at);
    const void* nul = std::memchr(begin, 0, p.size() - at);
    if (nul == nullptr) return "<no NUL>";
    return std::string(begin, static_cast<const char*>(nul));
}

inline void put16(Bytes& p, std::size_t at, uint16_t v) {
    putLe16(p.data() + at, v);
}
inline void put32(Bytes& p, std::size_t at, uint32_t v) {
    putLe32(p.data() + at, v);
}
inline void putText(Bytes& p, std::size_t at, std::string_view text) {
    std::memcpy(p.data() + at, text.data(), text.size());
}

// A packet of `size` bytes with a header, the rest zero.
inline Bytes handMade(uint16_t type, std::size_t size) {
    Bytes p(size, 0);
    put16(p, 2, 10009);
    put16(p, 6, type);
    put32(p, 12, static_cast<uint32_t>(size - 20));
    return p;
}

// Same bytes; names the first few offsets that differ.
inline void expectBytes(const Bytes& actual, const Bytes& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    int reported = 0;
    for (std::size_t at = 0; at < actual.size() && reported < 5; ++at) {
        if (actual[at] != expected[at]) {
            ADD_FAILURE() << "byte " << at << ": " << int{actual[at]} << ", expected "
                          << int{expected[at]};
            ++reported;
        }
    }
}

// An IPv4 address as held in memory (network byte order).
inline uint32_t ipv4Value(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
}

// "中" in GBK, a two-byte character.
inline constexpr std::string_view kZhong = "\xD6\xD0";

inline std::string repeat(std::string_view unit, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += unit;
    return out;
}

}  // namespace zemra::protocol::test
