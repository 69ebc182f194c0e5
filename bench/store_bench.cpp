// Local store speed: storing one message, and loading a long conversation
// the way the chat window's history pane and the message manager do.
// Goal: all 10,000 messages of one partner load in under 50 ms.
#include <benchmark/benchmark.h>

#include "client/store/record_store.h"
#include "platform/testing/temp_dir.h"

namespace zemra::store {
namespace {

ChatMessage sampleMessage(uint32_t peer, uint32_t time) {
    ChatMessage m;
    m.flags = time % 2 ? kMessageIncoming : 0;
    m.peer = peer;
    m.time = time;
    m.text = "/:) see you at eight, bring the slides " + std::to_string(time);
    m.faceName = "SimSun";
    m.size = 10;
    m.colour = 0x000080;
    return m;
}

void BM_PutMessage(benchmark::State& state) {
    testing::TempDir dir;
    RecordStore store(dir.path());
    uint32_t time = 0;
    for (auto _ : state) {
        if (!store.putMessage(sampleMessage(1234, ++time))) state.SkipWithError("put failed");
    }
}
BENCHMARK(BM_PutMessage)->Unit(benchmark::kMicrosecond);

void BM_LoadConversation(benchmark::State& state) {
    testing::TempDir dir;
    RecordStore store(dir.path());
    const auto count = static_cast<uint32_t>(state.range(0));
    for (uint32_t t = 1; t <= count; ++t) store.putMessage(sampleMessage(1234, t));
    // Other partners in the same file, so the hash is not trivially small.
    for (uint32_t t = 1; t <= 2000; ++t) store.putMessage(sampleMessage(4000 + t % 50, t));
    for (auto _ : state) {
        std::vector<ChatMessage> list;
        if (!store.LoadMessages(1234, list) || list.size() != count) {
            state.SkipWithError("load failed");
        }
        benchmark::DoNotOptimize(list.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_LoadConversation)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zemra::store

BENCHMARK_MAIN();
