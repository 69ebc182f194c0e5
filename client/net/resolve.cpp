#include "client/net/resolve.h"

#include <QHostAddress>
#include <QHostInfo>

namespace zemra::client {

std::optional<std::string> resolveIpv4(const std::string& host) {
    const QString name = QString::fromStdString(host).trimmed();
    if (name.isEmpty()) return std::nullopt;
    QHostAddress literal;
    if (literal.setAddress(name)) {
        if (literal.protocol() != QAbstractSocket::IPv4Protocol) return std::nullopt;
        return literal.toString().toStdString();
    }
    // Start-up and the wizard wait for this once, as they wait for the connect.
    const QHostInfo info = QHostInfo::fromName(name);
    for (const QHostAddress& address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            return address.toString().toStdString();
        }
    }
    return std::nullopt;
}

}  // namespace zemra::client
