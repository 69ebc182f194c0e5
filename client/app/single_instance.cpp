#include "single_instance.h"

#include <QCryptographicHash>
#include <QLocalSocket>

namespace zemra::client {

SingleInstance::SingleInstance(const std::filesystem::path& baseDir, QObject* parent)
    : QObject(parent), baseDir_(baseDir) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            peer->deleteLater();
            emit activationRequested();
        }
    });
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName() const {
    const QByteArray hash = QCryptographicHash::hash(
        QByteArray::fromStdString(std::filesystem::absolute(baseDir_).string()),
        QCryptographicHash::Sha1);
    return "zemra-" + QString::fromLatin1(hash.toHex().left(16));
}

bool SingleInstance::claim() {
    std::error_code ignored;
    std::filesystem::create_directories(baseDir_, ignored);
    lock_ = std::make_unique<QLockFile>(QString::fromStdString((baseDir_ / "zemra.lock").string()));
    lock_->setStaleLockTime(0);  // only a dead process leaves a stale lock
    if (lock_->tryLock(0)) {
        // A socket file left by a crashed instance would block listening.
        QLocalServer::removeServer(serverName());
        server_.listen(serverName());
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(serverName());
    socket.waitForConnected(1000);
    socket.disconnectFromServer();
    return false;
}

}  // namespace zemra::client
