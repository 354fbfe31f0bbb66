#include "TcpComm.h"

#include "PortTarget.h"

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace {

// Reasons in the words the status tooltip and the "Unable to open" box show.
QString reasonOf(QAbstractSocket::SocketError error, const QString &fallback)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("connection refused");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("connection closed by the server");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("host not found");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("timed out");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("network unreachable or connection dead");
    default:
        return fallback.toLower();
    }
}

// Keep-alive's own defaults wait two hours before the first probe; a test
// station wants to hear of a pulled network cable in well under a minute.
void shortenKeepAlive([[maybe_unused]] qintptr descriptor)
{
#ifdef Q_OS_LINUX
    constexpr int IdleS = 10, IntervalS = 5, Probes = 3;
    const int fd = int(descriptor);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &IdleS, sizeof IdleS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &IntervalS, sizeof IntervalS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &Probes, sizeof Probes);
#endif
}

} // namespace

TcpComm::TcpComm(QObject *parent) : SerialComm(parent)
{
    connectTimer.setSingleShot(true);
    connectTimer.setInterval(ConnectTimeoutMs);
    connect(&connectTimer, &QTimer::timeout, this, &TcpComm::onTimeout);
}

void TcpComm::setServer(const QString &newHost, quint16 newPort)
{
    if (opening())
        letGo();
    host = newHost;
    port = newPort;
}

void TcpComm::setPort(const QString &text)
{
    // PortComm hands over only targets that parsed; anything else leaves no
    // host, which the next open reports as not found.
    PortTarget target;
    QString error;
    if (!PortTarget::parse(text, &target, &error) || target.kind != PortTarget::Kind::Tcp)
        target = {};
    setServer(target.host, target.port);
}

void TcpComm::setCommPort(int number)
{
    if (opening())
        letGo(); // an open connection stays, as an open device does
    commPort = number;
}

QString TcpComm::devicePath() const
{
    PortTarget target;
    target.kind = PortTarget::Kind::Tcp;
    target.host = host;
    target.port = port;
    return target.text();
}

bool TcpComm::setPortOpen(bool open)
{
    lastError.clear();
    if (!open) {
        letGo();
        return true;
    }
    if (state == State::Open) {
        lastError = QStringLiteral("The port is already open.");
        return false;
    }
    letGo(); // a newer open abandons the one under way
    socket.reset(new QTcpSocket);
    connect(socket.get(), &QTcpSocket::connected, this, &TcpComm::onConnected);
    connect(socket.get(), &QTcpSocket::errorOccurred, this, &TcpComm::onError);
    connect(socket.get(), &QTcpSocket::disconnected, this,
            [this] { lose(reasonOf(QAbstractSocket::RemoteHostClosedError, {})); });
    connect(socket.get(), &QTcpSocket::readyRead, this, [this] { announceReceived(); });
    state = State::Connecting;
    connectTimer.start();
    socket->connectToHost(host, port);
    return true;
}

void TcpComm::onConnected()
{
    connectTimer.stop();
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    shortenKeepAlive(socket->socketDescriptor());
    state = State::Open;
    emit opened();
}

void TcpComm::onError(QAbstractSocket::SocketError error)
{
    const QString reason = reasonOf(error, socket->errorString());
    if (state == State::Connecting)
        fail(reason);
    else
        lose(reason);
}

void TcpComm::onTimeout()
{
    fail(reasonOf(QAbstractSocket::SocketTimeoutError, {}));
}

// Forgets the socket without a word: nobody waits for an abandoned connection.
void TcpComm::letGo()
{
    connectTimer.stop();
    state = State::Closed;
    if (socket) {
        socket->disconnect(this);
        socket->abort();
        socket.reset();
    }
}

void TcpComm::fail(const QString &reason)
{
    letGo();
    lastError = reason;
    emit openFailed(reason);
}

void TcpComm::lose(const QString &reason)
{
    if (state != State::Open)
        return;
    letGo();
    lastError = reason;
    emit portLost(reason);
}

bool TcpComm::Output(quint8 byte)
{
    if (state != State::Open || socket->bytesToWrite() >= OutputBufferSize)
        return false;
    const char c = static_cast<char>(byte);
    return socket->write(&c, 1) == 1;
}

int TcpComm::InBufferCount() const
{
    return state == State::Open ? static_cast<int>(socket->bytesAvailable()) : 0;
}

quint8 TcpComm::Input()
{
    char c = 0;
    return state == State::Open && socket->getChar(&c) ? static_cast<quint8>(c) : 0;
}
