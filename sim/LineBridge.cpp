#include "LineBridge.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>

namespace {

QByteArray readAll(int fd)
{
    QByteArray out;
    char buf[1024];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, qsizetype(n));
    return out;
}

void writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // nobody reads this end: the bytes are lost, as on a dead line
        done += n;
    }
}

} // namespace

LineBridge::LineBridge(QObject *parent) : QObject(parent)
{
    frameGap.setSingleShot(true);
    frameGap.setInterval(4); // 3.5 characters at 9600 baud
    connect(&frameGap, &QTimer::timeout, this, &LineBridge::deliverReply);
}

LineBridge::~LineBridge()
{
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
}

bool LineBridge::openPty(Pty &pty, QString *error)
{
    int master = -1, slave = -1;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        *error = QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    pty.master.reset(master);
    pty.slave.reset(slave);
    pty.slavePath = QString::fromLocal8Bit(name);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    return true;
}

bool LineBridge::open(const QString &dir, int comNumber, QString *error)
{
    if (!openPty(testerSide, error) || !openPty(serverSide, error))
        return false;
    serverDevicePath = serverSide.slavePath;

    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot create %1").arg(dir);
        return false;
    }
    const QString link = QDir(dir).filePath(QStringLiteral("COM%1").arg(comNumber));
    QFile::remove(link); // a stale link from a simulator that was killed
    if (!QFile::link(testerSide.slavePath, link)) {
        *error = QStringLiteral("cannot create the link %1").arg(link);
        return false;
    }
    linkPath = link;

    testerNotifier =
        std::make_unique<QSocketNotifier>(testerSide.master.get(), QSocketNotifier::Read);
    connect(testerNotifier.get(), &QSocketNotifier::activated, this, &LineBridge::fromTester);
    serverNotifier =
        std::make_unique<QSocketNotifier>(serverSide.master.get(), QSocketNotifier::Read);
    connect(serverNotifier.get(), &QSocketNotifier::activated, this, &LineBridge::fromServer);
    return true;
}

void LineBridge::fromTester()
{
    writeAll(serverSide.master.get(), readAll(testerSide.master.get()));
}

void LineBridge::fromServer()
{
    pendingReply += readAll(serverSide.master.get());
    frameGap.start();
}

void LineBridge::deliverReply()
{
    QByteArray reply = std::exchange(pendingReply, {});
    if (reply.isEmpty() || faults.silent)
        return;
    reply = spoilReply(reply, faults);
    if (faults.lateMs > 0)
        QTimer::singleShot(faults.lateMs, this, [this, reply] { writeToTester(reply); });
    else
        writeToTester(reply);
}

void LineBridge::writeToTester(const QByteArray &bytes)
{
    writeAll(testerSide.master.get(), bytes);
}
