// Helpers for the engine's tests and benchmarks.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/testing/ffprobe.h"

namespace zemra::snd::testing {

// A G.729 coder of the test's own: a private copy of the codec library, so
// that it shares no state with any engine.
class TestCoder {
  public:
    TestCoder();
    ~TestCoder();
    TestCoder(const TestCoder&) = delete;
    TestCoder& operator=(const TestCoder&) = delete;
    // 640 bytes of PCM into a 40-byte payload.
    std::vector<uint8_t> encode(const std::vector<uint8_t>& pcm);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Everything the engines post and every message box they show, while alive.
class MessageLog {
  public:
    struct Posted {
        uintptr_t window;
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
    };

    MessageLog();
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    std::vector<Posted> posted() const;
    std::vector<std::pair<std::string, std::string>> boxes() const;
    void clear();
    // Waits until `done` holds for the messages posted so far, at most `limit`.
    bool waitUntil(const std::function<bool(const std::vector<Posted>&)>& done,
                   std::chrono::milliseconds limit);

  private:
    static void onMessage(uintptr_t, uint32_t, uintptr_t, intptr_t, void*);
    static void onBox(const char*, const char*, void*);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Posted> posted_;
    std::vector<std::pair<std::string, std::string>> boxes_;
};

// A UDP socket bound to an ephemeral port of a loopback address.
class UdpSocket {
  public:
    explicit UdpSocket(const char* address = "127.0.0.1");
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    int fd() const { return fd_; }
    uint16_t port() const { return port_; }
    // Network byte order, as an address parser returns it.
    uint32_t address() const { return address_; }

    void sendTo(const UdpSocket& to, std::span<const uint8_t> bytes) const;
    // The next datagram within `limit`, or nothing.
    std::optional<std::vector<uint8_t>> receive(std::chrono::milliseconds limit,
                                                sockaddr_in* from = nullptr) const;
    // Throws away whatever has arrived.
    void drain() const;

  private:
    int fd_ = -1;
    uint16_t port_ = 0;
    uint32_t address_ = 0;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();

  private:
    std::string name_;
    std::optional<std::string> old_;
};

// Amplitude of the `hz` component of a signal (Goertzel), in sample units.
double toneAmplitude(std::span<const int16_t> samples, double hz, double rate);
double rootMeanSquare(std::span<const int16_t> samples);
// The frequency, on a grid of `stepHz`, with the largest component up to rate / 2.
double dominantFrequency(std::span<const int16_t> samples, double rate, double stepHz);
using zemra::testing::probeStreams;

// PCM bytes of a sine of the given peak amplitude.
std::vector<uint8_t> sinePcm(size_t samples, double hz, double amplitude, double rate,
                             size_t startSample = 0);

// Where each burst of sound starts: the index of the first sample at least
// `threshold` loud after at least `gap` quieter ones.
std::vector<size_t> burstOnsets(std::span<const int16_t> samples, int16_t threshold, size_t gap);

}  // namespace zemra::snd::testing
