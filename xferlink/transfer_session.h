// One file transfer through the server's relay, on a thread of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/winmsg.h"
#include "protocol/relay_hello.h"
#include "xferlink/tcp_stream.h"

namespace zemra::xferlink {

using protocol::kFileRelayPort;
using protocol::RelayRole;

struct TransferRequest {
    std::string serverAddress;
    uint16_t relayPort = kFileRelayPort;
    uint32_t ownId = 0;
    uint32_t peerId = 0;
    uint32_t token = 0;
    RelayRole role = RelayRole::Receiver;
    std::filesystem::path path;
    uint32_t fileSize = 0;
    WindowHandle window = 0;
};

class TransferSession {
  public:
    // Starts the transfer at once.
    explicit TransferSession(TransferRequest request);
    // Cancels what is still running and waits for the thread.
    ~TransferSession();
    TransferSession(const TransferSession&) = delete;
    TransferSession& operator=(const TransferSession&) = delete;

    void cancel() { stream_.cancel(); }
    bool finished() const { return finished_.load(); }
    bool succeeded() const { return succeeded_.load(); }
    uint32_t peerId() const { return request_.peerId; }

    // True for the names a receiver keeps a file under until it is whole:
    // ".NAME.XXXXXX.part" next to the final name, one of its own per transfer.
    static bool isPartialName(const std::string& fileName);

  private:
    void run();
    bool send();
    bool receive();
    void reportProgress(uint64_t done, bool force);

    TransferRequest request_;
    TcpStream stream_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> succeeded_{false};
    std::chrono::steady_clock::time_point lastReport_{};
    std::thread thread_;
};

}  // namespace zemra::xferlink
