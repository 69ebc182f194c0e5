// Chat: from the send button in one client to the text in the other client's
// chat window through a zemrad on loopback (goal: under 20 ms), and opening
// the history pane of a partner with 10,000 stored messages (goal: under
// 100 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "client/ui/chat_dlg.h"
#include "client/ui/face_rich_edit.h"
#include "client/ui/history_list_box.h"
#include "client/ui/image_lists.h"
#include "protocol/contact_packets.h"
#include "tests/client/client_harness.h"
#include "tests/integration/live_server.h"

namespace zemra::client::testing {
namespace {

using ui::CChatDlg;

constexpr const char* kAddress = "127.0.4.41";

void BM_SendToTheOtherClientsChatWindow(benchmark::State& state) {
    integration::LiveServer server(kAddress);
    if (!server.process.start()) {
        state.SkipWithError("zemrad did not start");
        return;
    }
    const uint32_t alice = server.newUser("alice");
    const uint32_t bob = server.newUser("bob");
    for (auto [who, whom] : {std::pair{alice, bob}, std::pair{bob, alice}}) {
        auto setup = server.loggedIn(who);
        setup->send(protocol::buildSetRelation({whom, protocol::kRelationFriend}));
        setup->waitFor(protocol::PT_CONTACT_ADDED);
    }
    ClientHarness a(kAddress);
    ClientHarness b(kAddress);
    for (auto [client, id] : {std::pair{&a, alice}, std::pair{&b, bob}}) {
        client->seedLocalUser(id);
        client->ui.loginAnswers.push_back(acceptLogin(id, "pw"));
        if (!client->core().start() || !waitUntil([&] { return client->core().loggedIn(); })) {
            state.SkipWithError("login failed");
            return;
        }
    }
    // Bob talks to alice in dialogue mode: her messages go to his window.
    b.core().contacts().findContact(alice)->options |= store::kContactDialogueMode;
    CChatDlg* bobsWindow = nullptr;
    b.ui.chatWindow = [&](const store::ChatMessage& m) {
        if (!bobsWindow) bobsWindow = new CChatDlg(b.core(), m.peer);
        bobsWindow->appendIncoming(m);
    };
    auto* alicesWindow = new CChatDlg(a.core(), bob);
    alicesWindow->setDialogueMode(true);
    int n = 0;
    for (auto _ : state) {
        const QString text = QString("message %1 /:)").arg(++n);
        alicesWindow->setTextAndSend(text);
        const QString shown = QString("message %1 ").arg(n);
        if (!waitUntil([&] {
                return bobsWindow &&
                       bobsWindow->conversation()->toPlainText().contains(shown);
            })) {
            state.SkipWithError("the message did not arrive");
            break;
        }
    }
    delete alicesWindow;
    delete bobsWindow;
}
BENCHMARK(BM_SendToTheOtherClientsChatWindow)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_OpenTheHistoryOfAPartnerWith10000Messages(benchmark::State& state) {
    ClientHarness client("127.0.4.42");
    const uint32_t me = 4000;
    const uint32_t partner = 4001;
    client.seedLocalUser(me);
    client.core().recordStore().setUserDir(client.config.baseDir / std::to_string(me));
    for (uint32_t i = 0; i < 10000; ++i) {
        store::ChatMessage m;
        m.peer = partner;
        m.time = 1700000000 + i;
        m.flags = i % 2 ? store::kMessageIncoming : 0;
        m.text = "stored message number " + std::to_string(i) + " /:)";
        client.core().recordStore().putMessage(m);
    }
    CChatDlg window(client.core(), partner);
    for (auto _ : state) {
        window.setHistoryShown(true);
        state.PauseTiming();
        if (window.history()->count() != 100) {
            state.SkipWithError("the history does not show the last 100 messages");
            break;
        }
        window.setHistoryShown(false);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenTheHistoryOfAPartnerWith10000Messages)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace
}  // namespace zemra::client::testing

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    zemra::client::ui::setDataDir(ZEMRA_DATA_DIR);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
