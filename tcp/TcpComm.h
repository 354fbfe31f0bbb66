#pragma once

#include "SerialComm.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

// The serial component over a TCP connection to a serial device server: the
// line's bytes pass unchanged both ways ("RTU over TCP"). It only connects;
// it never listens. Opening is asynchronous (see SerialComm). Built into the
// module that PortComm loads on first use (serial/TcpModule.h).
class TcpComm final : public SerialComm {
    Q_OBJECT
public:
    static constexpr int ConnectTimeoutMs = 3000;
    static constexpr qint64 OutputBufferSize = 512;

    explicit TcpComm(QObject *parent = nullptr);

    // The server the next open connects to; abandons a connection under way.
    void setServer(const QString &host, quint16 port);

    // The server as written in a target, "tcp://HOST:PORT" (see PortTarget).
    void setPort(const QString &target) override;
    void setCommPort(int port) override;
    int CommPort() const override { return commPort; }
    bool PortOpen() const override { return state == State::Open; }
    bool opening() const override { return state == State::Connecting; }
    bool setPortOpen(bool open) override;
    bool Output(quint8 byte) override;
    int InBufferCount() const override;
    quint8 Input() override;
    QString devicePath() const override;
    QString errorString() const override { return lastError; }

private:
    enum class State { Closed, Connecting, Open };
    struct LaterDeleter {
        // A socket may be let go inside one of its own signals.
        void operator()(QObject *object) const { object->deleteLater(); }
    };

    void onConnected();
    void onError(QAbstractSocket::SocketError error);
    void onTimeout();
    void letGo();
    void fail(const QString &reason);
    void lose(const QString &reason);

    std::unique_ptr<QTcpSocket, LaterDeleter> socket;
    QTimer connectTimer;
    State state = State::Closed;
    QString host;
    quint16 port = 0;
    int commPort = 0;
    QString lastError;
};
