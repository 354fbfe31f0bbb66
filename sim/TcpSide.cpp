#include "TcpSide.h"

#include <QTextStream>

#include <utility>

namespace {

// Connections come and go on the log, standard error, apart from the answers
// to commands on standard output.
void log(const QString &line)
{
    QTextStream(stderr) << line << Qt::endl;
}

} // namespace

TcpSide::TcpSide(QObject *parent) : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &TcpSide::accept);
}

bool TcpSide::listen(const QHostAddress &host, quint16 port, QString *error)
{
    if (server.listen(host, port))
        return true;
    *error = QStringLiteral("cannot listen on %1:%2: %3")
                 .arg(host.toString())
                 .arg(port)
                 .arg(server.errorString());
    return false;
}

QString TcpSide::address() const
{
    const QHostAddress host = server.serverAddress();
    const QString shown = host.protocol() == QAbstractSocket::IPv6Protocol
                              ? QStringLiteral("[%1]").arg(host.toString())
                              : host.toString();
    return QStringLiteral("tcp://%1:%2").arg(shown).arg(server.serverPort());
}

QString TcpSide::peerOf(const QTcpSocket &socket)
{
    return QStringLiteral("%1:%2").arg(socket.peerAddress().toString()).arg(socket.peerPort());
}

void TcpSide::accept()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        if (client != nullptr) {
            log(QStringLiteral("refused %1: one client at a time, and %2 is connected")
                    .arg(peerOf(*socket), peerOf(*client)));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        client = socket;
        client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const QString peer = peerOf(*client);
        log(QStringLiteral("client %1 connected").arg(peer));
        connect(client, &QTcpSocket::readyRead, this, [this] { emit received(client->readAll()); });
        connect(client, &QTcpSocket::disconnected, this, [this, peer] {
            log(QStringLiteral("client %1 left").arg(peer));
            client->deleteLater();
            client = nullptr;
        });
    }
}

void TcpSide::send(const QByteArray &bytes)
{
    if (client != nullptr)
        client->write(bytes); // with no client the bytes are lost, as on a dead line
}

bool TcpSide::dropClient()
{
    if (client == nullptr)
        return false;
    QTcpSocket *dropped = std::exchange(client, nullptr);
    log(QStringLiteral("dropped client %1").arg(peerOf(*dropped)));
    dropped->disconnect(this);
    dropped->abort();
    dropped->deleteLater();
    return true;
}
