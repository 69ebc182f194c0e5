// Throughput of the packet reassembler that both ends of the server link
// use, fed in reads of the largest size it takes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "protocol/message_packets.h"
#include "protocol/packet_reassembler.h"
#include "protocol/simple_packets.h"

namespace {

using zemra::protocol::PacketReassembler;

std::vector<uint8_t> streamOf(const std::vector<uint8_t>& packet, std::size_t bytes) {
    std::vector<uint8_t> stream;
    while (stream.size() < bytes) stream.insert(stream.end(), packet.begin(), packet.end());
    return stream;
}

// `chunk` bytes per read; packets straddle reads whenever the sizes do not divide.
void feed(benchmark::State& state, const std::vector<uint8_t>& packet, std::size_t chunk) {
    const std::vector<uint8_t> stream = streamOf(packet, 1 << 20);
    std::size_t packets = 0;
    PacketReassembler reassembler([&](uint16_t type, std::span<const uint8_t> bytes) {
        benchmark::DoNotOptimize(type);
        benchmark::DoNotOptimize(bytes.data());
        ++packets;
    });
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            const std::size_t n = std::min(chunk, stream.size() - at);
            reassembler.onRead(std::span(stream.data() + at, n));
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["packets/s"] =
        benchmark::Counter(static_cast<double>(packets), benchmark::Counter::kIsRate);
}

void BM_ReassembleMessages(benchmark::State& state) {
    zemra::protocol::TextMessage message;
    message.text = "a message of ordinary length /:)";
    feed(state, zemra::protocol::buildMessage(message), static_cast<std::size_t>(state.range(0)));
}
BENCHMARK(BM_ReassembleMessages)->Arg(PacketReassembler::kMaxRead)->Arg(1460)->Arg(100);

void BM_ReassembleHeaderOnly(benchmark::State& state) {
    feed(state, zemra::protocol::buildHeaderOnly(zemra::protocol::PT_ANNOUNCE),
         static_cast<std::size_t>(state.range(0)));
}
BENCHMARK(BM_ReassembleHeaderOnly)->Arg(PacketReassembler::kMaxRead);

}  // namespace

BENCHMARK_MAIN();
