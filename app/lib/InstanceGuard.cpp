#include "app/lib/InstanceGuard.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace {

constexpr char kRaiseRequest[] = "raise\n";
constexpr int kTalkTimeoutMs = 1000;

} // namespace

InstanceGuard::InstanceGuard(QObject *parent) : QObject(parent) {}

InstanceGuard::~InstanceGuard() = default;

QString InstanceGuard::serverName(const QString &title)
{
    QString name;
    for (QChar c : title)
        name += c.isLetterOrNumber() ? c.toLower() : QLatin1Char('-');
    return name + QStringLiteral("-uid%1").arg(getuid());
}

bool InstanceGuard::claim(const QString &title)
{
    const QString name = serverName(title);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (server->listen(name)) {
        m_server = server;
        connect(m_server, &QLocalServer::newConnection, this, &InstanceGuard::onNewConnection);
        return true;
    }
    delete server;

    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name);
    if (!socket.waitForConnected(kTalkTimeoutMs))
        return true; // the name is taken but nobody answers: not a running workbench
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kTalkTimeoutMs);
    socket.disconnectFromServer();
    return false;
}

void InstanceGuard::onNewConnection()
{
    while (QLocalSocket *peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            while (peer->canReadLine()) {
                if (peer->readLine() == kRaiseRequest)
                    emit activationRequested();
            }
            // Anything else is not another workbench: do not let it fill memory.
            if (peer->bytesAvailable() > 64)
                peer->abort();
        });
    }
}
