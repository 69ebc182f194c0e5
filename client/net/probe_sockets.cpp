#include "probe_sockets.h"

#include "protocol/udp_probe.h"

namespace zemra::client {

ProbeSockets::ProbeSockets(TargetSource source, QObject* parent)
    : QObject(parent), source_(std::move(source)) {
    videoTimer_.setInterval(kProbePeriodMs);
    audioTimer_.setInterval(kProbePeriodMs);
    connect(&videoTimer_, &QTimer::timeout, this, [this] {
        sendProbe(video_, videoPort_, protocol::kProbeChannelVideo, protocol::kVideoProbePort);
    });
    connect(&audioTimer_, &QTimer::timeout, this, [this] {
        sendProbe(audio_, audioPort_, protocol::kProbeChannelAudio, protocol::kAudioProbePort);
    });
}

uint16_t ProbeSockets::bindFrom(QUdpSocket& socket, const QHostAddress& address, uint16_t first) {
    for (uint16_t port = first; port < kPortLimit; ++port) {
        if (socket.bind(address, port, QAbstractSocket::DontShareAddress)) return port;
    }
    return 0;
}

bool ProbeSockets::bind(const QHostAddress& address) {
    videoPort_ = bindFrom(video_, address, kVideoFirstPort);
    if (videoPort_ == 0) return false;
    audioPort_ = bindFrom(audio_, address, kAudioFirstPort);
    return audioPort_ != 0;
}

void ProbeSockets::startProbes() {
    videoTimer_.start();
    audioTimer_.start();
}

void ProbeSockets::stopProbes() {
    videoTimer_.stop();
    audioTimer_.stop();
}

void ProbeSockets::sendProbe(QUdpSocket& socket, uint16_t localPort, uint16_t channel,
                             uint16_t serverPort) {
    const Target target = source_();
    if (!target.loggedIn || localPort == 0) return;
    protocol::UdpProbe probe;
    probe.userId = target.userId;
    probe.localPort = localPort;
    probe.channel = channel;
    const auto datagram = protocol::buildUdpProbe(probe);
    socket.writeDatagram(reinterpret_cast<const char*>(datagram.data()),
                         static_cast<qint64>(datagram.size()), target.server, serverPort);
    ++sent_;
}

}  // namespace zemra::client
