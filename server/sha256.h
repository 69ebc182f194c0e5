// SHA-256, for password hashes (and for tests that compare transferred files).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zemra::server {

class Sha256 {
  public:
    using Digest = std::array<uint8_t, 32>;

    Sha256();
    void update(std::span<const uint8_t> bytes);
    void update(std::string_view bytes);
    Digest finish();

    static Digest of(std::string_view bytes);
    static std::string hex(const Digest& digest);

  private:
    void compress(const uint8_t* block);

    std::array<uint32_t, 8> state_;
    std::array<uint8_t, 64> block_{};
    std::size_t blockUsed_ = 0;
    uint64_t totalBytes_ = 0;
};

}  // namespace zemra::server
