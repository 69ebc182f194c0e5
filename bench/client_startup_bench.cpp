// From start-up to logged in, against a zemrad on loopback: the client's
// start (folders, settings, local data, connection, login) and the server's
// answer. Goal: under 500 ms.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "tests/client/client_harness.h"
#include "tests/integration/live_server.h"

namespace zemra::client::testing {
namespace {

constexpr const char* kAddress = "127.0.4.40";

void BM_StartupToLoggedIn(benchmark::State& state) {
    integration::LiveServer server(kAddress);
    if (!server.process.start()) {
        state.SkipWithError("zemrad did not start");
        return;
    }
    const uint32_t id = server.newUser("bench");
    ClientHarness client(kAddress);
    client.seedLocalUser(id);
    for (auto _ : state) {
        state.PauseTiming();
        client.restart();
        client.ui.loginAnswers.push_back(acceptLogin(id, "pw"));
        state.ResumeTiming();
        if (!client.core().start() || !waitUntil([&] { return client.core().loggedIn(); })) {
            state.SkipWithError("login failed");
            break;
        }
    }
}
BENCHMARK(BM_StartupToLoggedIn)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace zemra::client::testing

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
