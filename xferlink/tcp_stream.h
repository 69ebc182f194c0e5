// A blocking TCP connection that another thread can cancel at any moment:
// cancel() shuts the socket down, which wakes any read, write or connect
// that is waiting on it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zemra::xferlink {

class TcpStream {
  public:
    TcpStream() = default;
    ~TcpStream();
    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    // IPv4 dotted address. Gives up after `timeout` or when cancelled.
    bool connect(const std::string& address, uint16_t port, std::chrono::milliseconds timeout);
    bool writeAll(const void* data, std::size_t size);
    bool readAll(void* data, std::size_t size);
    void cancel();
    bool cancelled() const { return cancelled_.load(); }

  private:
    std::atomic<int> fd_{-1};
    std::atomic<bool> cancelled_{false};
};

}  // namespace zemra::xferlink
