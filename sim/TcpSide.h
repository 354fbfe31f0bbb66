#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

// The tester's side of the line as a serial device server offers it: a TCP
// port whose one client's bytes are the line's, unchanged ("RTU over TCP").
// Like such servers it takes one client at a time and turns a second away.
class TcpSide : public QObject {
    Q_OBJECT
public:
    explicit TcpSide(QObject *parent = nullptr);

    // Port 0 takes any free port.
    bool listen(const QHostAddress &address, quint16 port, QString *error);
    // "tcp://127.0.0.1:4001"
    QString address() const;

    void send(const QByteArray &bytes);
    // Closes the client's connection, as a server that resets would; false
    // when no client is connected.
    bool dropClient();

signals:
    void received(const QByteArray &bytes);

private:
    void accept();
    static QString peerOf(const QTcpSocket &socket);

    QTcpServer server;
    QTcpSocket *client = nullptr; // owned by the server; null when none
};
