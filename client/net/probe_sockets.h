// The two UDP sockets that will carry a call's video and audio. Until then
// each sends a small probe to the server every three seconds while logged
// in, so the server knows the public address and port they come from.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <cstdint>
#include <functional>

namespace zemra::client {

class ProbeSockets : public QObject {
    Q_OBJECT
  public:
    static constexpr uint16_t kVideoFirstPort = 3010;
    static constexpr uint16_t kAudioFirstPort = 3020;
    static constexpr uint16_t kPortLimit = 4000;  // searched up to, excluding
    static constexpr int kProbePeriodMs = 3000;

    struct Target {
        QHostAddress server;
        uint32_t userId = 0;
        bool loggedIn = false;
    };
    // Asked at every tick: nothing is sent while logged out.
    using TargetSource = std::function<Target()>;

    explicit ProbeSockets(TargetSource source, QObject* parent = nullptr);

    // Binds the video socket to the first free port from 3010 and the audio
    // socket from 3020 on `address`. False if either search runs out.
    bool bind(const QHostAddress& address = QHostAddress::AnyIPv4);
    uint16_t videoPort() const { return videoPort_; }
    QHostAddress boundAddress() const { return video_.localAddress(); }
    uint16_t audioPort() const { return audioPort_; }
    // The sockets' descriptors, lent to the media engines during a call.
    qintptr videoDescriptor() const { return video_.socketDescriptor(); }
    qintptr audioDescriptor() const { return audio_.socketDescriptor(); }

    // Timers 101 and 102: started after binding and again after a call.
    void startProbes();
    void stopProbes();
    bool probing() const { return videoTimer_.isActive(); }
    std::size_t probesSent() const { return sent_; }

  private:
    static uint16_t bindFrom(QUdpSocket& socket, const QHostAddress& address, uint16_t first);
    void sendProbe(QUdpSocket& socket, uint16_t localPort, uint16_t channel, uint16_t serverPort);

    TargetSource source_;
    QUdpSocket video_;
    QUdpSocket audio_;
    uint16_t videoPort_ = 0;
    uint16_t audioPort_ = 0;
    QTimer videoTimer_;
    QTimer audioTimer_;
    std::size_t sent_ = 0;
};

}  // namespace zemra::client
