#pragma once

#include "Faults.h"
#include "TcpSide.h"
#include "UniqueFd.h"
#include "WirePace.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

// The serial line between the tester and the simulated modules: one linked
// pseudo-terminal pair for each module's server, and the tester's side: a
// pseudo-terminal published as <dir>/COM<n>, a serial device server's TCP
// port, or both. Every request reaches every module, as on a shared bus; each
// module's replies pass through its fault switches on the way back, to every
// tester side alike.
//
// It is a two-wire line: a request that comes while a module's reply is due
// (made but not yet sent, late or not) collides with it. Both are lost, and
// the collision is counted.
//
// Paced, it carries bytes as fast as a 9600 baud line does (WirePace): a request reaches the
// modules when its last byte would, and a reply reaches the tester a byte at a time.
class LineBridge : public QObject {
    Q_OBJECT
public:
    explicit LineBridge(QObject *parent = nullptr);
    ~LineBridge() override; // removes the published link

    // One end for each module, whose faults are read as its replies pass.
    bool open(const QList<const Faults *> &moduleFaults, QString *error);
    // The tester's pseudo-terminal, published as <dir>/COM<comNumber>.
    bool publish(const QString &dir, int comNumber, QString *error);
    // The tester's TCP port; port 0 takes any free one.
    bool serveTcp(const QHostAddress &host, quint16 port, QString *error);
    // From now on, at a 9600 baud line's pace.
    void pace();

    QString serverDevice(int module) const { return modules[std::size_t(module)]->pty.slavePath; }
    QString publishedLink() const { return linkPath; }
    QString tcpAddress() const { return tcp ? tcp->address() : QString(); }
    // The fault "drop the connection": false when no TCP client is connected.
    bool dropTcpClient() { return tcp && tcp->dropClient(); }
    int collisions() const { return collisionCount; }
    // What crossed the line: requests that reached the modules, replies that reached the tester.
    struct Carried {
        int frames = 0;
        qint64 bytes = 0;
    };
    Carried requestsCarried() const { return requestsSent; }
    Carried repliesCarried() const { return repliesSent; }

signals:
    void collided(int count);

private:
    struct Pty {
        UniqueFd master, slave; // the slave stays open so the master never hangs up
        QString slavePath;
    };
    struct ModuleEnd {
        Pty pty;
        const Faults *faults = nullptr;
        std::unique_ptr<QSocketNotifier> notifier;
        QByteArray pendingReply;
        QTimer frameGap; // a reply is complete after 3.5 character times of silence
        QTimer late;     // holds a whole reply back
        QByteArray lateReply;
        bool replyDue() const { return !pendingReply.isEmpty() || late.isActive(); }
        void dropReply()
        {
            pendingReply.clear();
            frameGap.stop();
            late.stop();
        }
    };
    static bool openPty(Pty &pty, QString *error);
    bool addModule(const Faults *faults, QString *error);
    void fromTester(const QByteArray &request);
    void fromModule(ModuleEnd &end);
    void deliverReply(ModuleEnd &end);
    void writeToModules(const QByteArray &bytes);
    void replyOut(const QByteArray &reply); // at the wire's pace, when paced
    void writeToTester(const QByteArray &bytes);

    Pty testerSide;
    std::vector<std::unique_ptr<ModuleEnd>> modules;
    QString linkPath;
    std::unique_ptr<QSocketNotifier> testerNotifier;
    std::unique_ptr<TcpSide> tcp;
    std::unique_ptr<WirePace> requestWire, replyWire; // when paced
    int collisionCount = 0;
    Carried requestsSent, repliesSent;
};
