#include "text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zemra::text {
namespace {

constexpr const char* kGbk = "GBK";
constexpr const char* kUtf8 = "UTF-8";
constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";

// Number of bytes of the undecodable unit at the start of `rest`, so that a
// lossy conversion skips a whole character rather than a single byte.
std::size_t badUnitLength(std::string_view rest, bool fromUtf8) {
    const auto lead = static_cast<uint8_t>(rest.front());
    std::size_t length = 1;
    if (fromUtf8) {
        if (lead >= 0xF0) {
            length = 4;
        } else if (lead >= 0xE0) {
            length = 3;
        } else if (lead >= 0xC0) {
            length = 2;
        }
        // Only skip continuation bytes that are really there.
        std::size_t n = 1;
        while (n < length && n < rest.size() && (static_cast<uint8_t>(rest[n]) & 0xC0) == 0x80) {
            ++n;
        }
        return n;
    }
    if (isGbkLeadByte(lead) && rest.size() >= 2) {
        const auto trail = static_cast<uint8_t>(rest[1]);
        if (trail >= 0x40 && trail != 0x7F && trail != 0xFF) length = 2;
    }
    return length;
}

// Runs iconv over the whole input. With `replacement` null the conversion is
// strict; otherwise every bad unit is replaced and skipped.
std::optional<std::string> convert(std::string_view input, const char* to, const char* from,
                                   const std::string_view* replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;

    std::string out;
    out.reserve(input.size() * 2 + 4);
    char buffer[1024];
    std::string_view rest = input;
    bool ok = true;
    while (!rest.empty()) {
        char* in = const_cast<char*>(rest.data());
        std::size_t inLeft = rest.size();
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        rest.remove_prefix(rest.size() - inLeft);
        if (result != static_cast<std::size_t>(-1)) break;
        if (error == E2BIG) continue;
        // EILSEQ or EINVAL: an invalid or unrepresentable unit, or a cut one at the end.
        if (replacement == nullptr) {
            ok = false;
            break;
        }
        out.append(*replacement);
        rest.remove_prefix(badUnitLength(rest, std::strcmp(from, kUtf8) == 0));
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
    return convert(utf8, kGbk, kUtf8, nullptr);
}

std::optional<std::string> gbkToUtf8(std::string_view gbk) {
    return convert(gbk, kUtf8, kGbk, nullptr);
}

std::string toGbk(std::string_view utf8) {
    static constexpr std::string_view kQuestion = "?";
    return convert(utf8, kGbk, kUtf8, &kQuestion).value_or(std::string());
}

std::string toUtf8(std::string_view gbk) {
    return convert(gbk, kUtf8, kGbk, &kUtf8Replacement).value_or(std::string());
}

std::size_t gbkPrefixLength(std::string_view gbk, std::size_t maxBytes) {
    if (gbk.size() <= maxBytes) return gbk.size();
    std::size_t pos = 0;
    while (pos < maxBytes) {
        const std::size_t width = isGbkLeadByte(static_cast<uint8_t>(gbk[pos])) ? 2 : 1;
        if (pos + width > maxBytes) break;
        pos += width;
    }
    return pos;
}

std::string_view gbkPrefix(std::string_view gbk, std::size_t maxBytes) {
    return gbk.substr(0, gbkPrefixLength(gbk, maxBytes));
}

std::size_t copyToField(std::span<uint8_t> field, std::string_view gbk) {
    if (field.empty()) return 0;
    // Only the part before an embedded NUL would ever be read back.
    gbk = gbk.substr(0, std::min(gbk.size(), gbk.find('\0')));
    const std::size_t length = gbkPrefixLength(gbk, field.size() - 1);
    std::memcpy(field.data(), gbk.data(), length);
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(length), field.end(), uint8_t{0});
    return length;
}

std::string_view fieldText(std::span<const uint8_t> field) {
    const auto* begin = reinterpret_cast<const char*>(field.data());
    const auto* nul = static_cast<const char*>(std::memchr(begin, 0, field.size()));
    return {begin, nul ? static_cast<std::size_t>(nul - begin) : field.size()};
}

}  // namespace zemra::text
