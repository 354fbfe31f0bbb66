#pragma once

#include "Faults.h"
#include "UniqueFd.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <memory>

// The serial line between the tester and the simulated module: two linked
// pseudo-terminals. The module's server opens one; the other is published as
// <dir>/COM<n> for the tester. Replies pass through the fault switches on the
// way.
class LineBridge : public QObject {
    Q_OBJECT
public:
    explicit LineBridge(QObject *parent = nullptr);
    ~LineBridge() override; // removes the published link

    bool open(const QString &dir, int comNumber, QString *error);
    QString serverDevice() const { return serverDevicePath; }
    QString publishedLink() const { return linkPath; }

    Faults faults;

private:
    struct Pty {
        UniqueFd master, slave; // the slave stays open so the master never hangs up
        QString slavePath;
    };
    static bool openPty(Pty &pty, QString *error);
    void fromTester();
    void fromServer();
    void deliverReply();
    void writeToTester(const QByteArray &bytes);

    Pty testerSide, serverSide;
    QString serverDevicePath, linkPath;
    std::unique_ptr<QSocketNotifier> testerNotifier, serverNotifier;
    QByteArray pendingReply;
    QTimer frameGap; // a reply is complete after 3.5 character times of silence
};
