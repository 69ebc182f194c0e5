// What the window tests share: a client core with its own folders and no
// login, a user interface that answers nothing, a stand-in server that keeps
// every packet, and screenshots into the build folder.
#pragma once

#include <QDir>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <vector>

#include "client/app/client_core.h"
#include "client/testing/stand_in_server.h"

namespace zemra::client::testing {

class QuietUi : public UiPort {
  public:
    void showMessage(const std::string&, const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return true; }
    LoginDialogResult runLoginDialog(const std::optional<LoginChoice>&) override { return {}; }
    bool runAccountWizard() override { return false; }
};

// Every folder of the core in `dir`; no file relay.
inline ClientConfig windowTestConfig(const std::filesystem::path& dir) {
    ClientConfig c;
    c.baseDir = dir;
    c.dataDir = dir;
    c.windowsDir = dir;
    c.photoRoot = dir;
    c.callXferlink = false;
    return c;
}

// A stand-in server that keeps every packet it gets; `answer`, when given,
// may answer each one.
class PacketLog {
  public:
    struct Packet {
        uint16_t type;
        std::vector<uint8_t> bytes;
    };

    explicit PacketLog(const QString& address, StandInServer::Handler answer = {})
        : answer_(std::move(answer)),
          server_(address, 0,
                  [this](uint16_t type, std::span<const uint8_t> packet, QTcpSocket& client) {
                      packets.push_back({type, {packet.begin(), packet.end()}});
                      if (answer_) answer_(type, packet, client);
                  }) {}

    uint16_t port() const { return server_.port(); }
    std::vector<std::vector<uint8_t>> ofType(uint16_t type) const {
        std::vector<std::vector<uint8_t>> found;
        for (const Packet& p : packets) {
            if (p.type == type) found.push_back(p.bytes);
        }
        return found;
    }
    // Runs the event loop until `count` packets of `type` came, 2 s at most.
    bool waitFor(uint16_t type, std::size_t count = 1) const {
        return QTest::qWaitFor([&] { return ofType(type).size() >= count; }, 2000);
    }

    std::vector<Packet> packets;

  private:
    StandInServer::Handler answer_;
    StandInServer server_;
};

#ifdef ZEMRA_SCREENSHOT_DIR
// What a window looks like, for people to see in the build folder.
inline void saveScreenshot(QWidget& window, const QString& name) {
    QDir().mkpath(ZEMRA_SCREENSHOT_DIR);
    window.grab().save(QString(ZEMRA_SCREENSHOT_DIR) + "/" + name);
}
#endif

}  // namespace zemra::client::testing
