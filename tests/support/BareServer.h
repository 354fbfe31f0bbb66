#pragma once

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A server on 127.0.0.1 that is no serial device server with a module behind it: it answers
// each request (eight bytes or more) with the same bytes, or without any drops its client
// there; it says more or drops its client when told.
class BareServer : public QTcpServer {
public:
    explicit BareServer(QByteArray answer) : answer(std::move(answer))
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            client = nextPendingConnection();
            connect(client, &QTcpSocket::readyRead, client, [this] {
                if (client->bytesAvailable() < 8)
                    return;
                client->readAll();
                if (this->answer.isEmpty())
                    client->close();
                else
                    client->write(this->answer);
            });
        });
    }
    QString url() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(serverPort()); }
    void say(const QByteArray &bytes)
    {
        if (client)
            client->write(bytes);
    }
    void drop()
    {
        if (client)
            client->close();
    }

private:
    QByteArray answer;
    QPointer<QTcpSocket> client;
};

// A port on 127.0.0.1 that nothing listens on, as a URL: a connection to it is refused.
inline QString refusedUrl()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort()); // closed as it goes
}
