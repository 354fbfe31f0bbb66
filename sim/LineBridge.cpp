#include "LineBridge.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <utility>

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

LineBridge::LineBridge(QObject *parent) : QObject(parent) {}

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

bool LineBridge::open(const QList<const Faults *> &moduleFaults, QString *error)
{
    for (const Faults *faults : moduleFaults)
        if (!addModule(faults, error))
            return false;
    return true;
}

bool LineBridge::publish(const QString &dir, int comNumber, QString *error)
{
    if (!openPty(testerSide, error))
        return false;

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
    connect(testerNotifier.get(), &QSocketNotifier::activated, this,
            [this] { fromTester(readAll(testerSide.master.get())); });
    return true;
}

bool LineBridge::serveTcp(const QHostAddress &host, quint16 port, QString *error)
{
    tcp = std::make_unique<TcpSide>();
    connect(tcp.get(), &TcpSide::received, this, &LineBridge::fromTester);
    return tcp->listen(host, port, error);
}

void LineBridge::pace()
{
    requestWire = std::make_unique<WirePace>(
        WirePace::Arrival::Whole, [this](const QByteArray &bytes) { writeToModules(bytes); });
    replyWire = std::make_unique<WirePace>(
        WirePace::Arrival::ByteByByte, [this](const QByteArray &bytes) { writeToTester(bytes); });
}

bool LineBridge::addModule(const Faults *faults, QString *error)
{
    auto end = std::make_unique<ModuleEnd>();
    if (!openPty(end->pty, error))
        return false;
    end->faults = faults;
    end->frameGap.setSingleShot(true);
    end->frameGap.setInterval(4); // 3.5 characters at 9600 baud
    ModuleEnd &e = *end;
    connect(&e.frameGap, &QTimer::timeout, this, [this, &e] { deliverReply(e); });
    e.late.setSingleShot(true);
    connect(&e.late, &QTimer::timeout, this,
            [this, &e] { replyOut(std::exchange(e.lateReply, {})); });
    e.notifier = std::make_unique<QSocketNotifier>(e.pty.master.get(), QSocketNotifier::Read);
    connect(e.notifier.get(), &QSocketNotifier::activated, this, [this, &e] { fromModule(e); });
    modules.push_back(std::move(end));
    return true;
}

void LineBridge::fromTester(const QByteArray &request)
{
    bool collision = false;
    for (const auto &end : modules) {
        if (end->replyDue()) {
            end->dropReply();
            collision = true;
        }
    }
    if (collision) {
        emit collided(++collisionCount);
        return;
    }
    ++requestsSent.frames;
    requestsSent.bytes += request.size();
    if (requestWire)
        requestWire->send(request);
    else
        writeToModules(request);
}

void LineBridge::writeToModules(const QByteArray &bytes)
{
    for (const auto &end : modules)
        writeAll(end->pty.master.get(), bytes);
}

void LineBridge::fromModule(ModuleEnd &end)
{
    end.pendingReply += readAll(end.pty.master.get());
    end.frameGap.start();
}

void LineBridge::deliverReply(ModuleEnd &end)
{
    const Faults &faults = *end.faults;
    QByteArray reply = std::exchange(end.pendingReply, {});
    if (reply.isEmpty() || faults.silent)
        return;
    reply = spoilReply(reply, faults);
    if (faults.lateMs > 0) {
        end.lateReply = reply;
        end.late.start(faults.lateMs);
    } else {
        replyOut(reply);
    }
}

void LineBridge::replyOut(const QByteArray &reply)
{
    ++repliesSent.frames;
    repliesSent.bytes += reply.size();
    if (replyWire)
        replyWire->send(reply);
    else
        writeToTester(reply);
}

void LineBridge::writeToTester(const QByteArray &bytes)
{
    if (testerSide.master.valid())
        writeAll(testerSide.master.get(), bytes);
    if (tcp)
        tcp->send(bytes);
}
