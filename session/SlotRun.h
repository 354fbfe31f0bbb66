#pragma once

#include "Clock.h"
#include "SelfTest.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class LineSession;
class PortComm;
class SelfTestRunner;

// One slot of a test station: a self-test on a port of its own, with its own serial component
// and line session. Nothing here waits in a loop of its own, so that several slots run side by
// side in one event loop, in the console as in the station window. Until start() the port is
// not opened: an idle slot sends nothing.
class SlotRun : public QObject {
    Q_OBJECT
public:
    // `port` as the command line or the station file gives it: "3", "tcp://HOST:PORT"; one
    // that is neither ends the run as ERROR. The settings are the self-test's as they are, so
    // operatorPresent is false for a station.
    SlotRun(const QString &port, const procedures::SelfTestSettings &settings,
            QObject *parent = nullptr);
    ~SlotRun() override;

    // Opens the port, then tests. finished() follows in every case: a port that cannot be
    // opened ends the run as ERROR, with why in its report.
    void start();
    // A signal or a closed window: every relay is switched off, the run ends as ABORTED and
    // finished() follows. While the port is still opening, nothing has been sent: it is
    // abandoned. Nothing happens before start() or once finished.
    void cancel(const std::string &reason);

    bool running() const;
    // "COM 3", or the server written out: how the station's lines, its tiles and the history
    // name the slot, the name portNameOf() gives the port it was made with.
    QString portName() const;
    int comNumber() const; // 0 for a server
    // The name of the port that `given` names, or empty with why it names none.
    static std::string portNameOf(const std::string &given, std::string *why);
    QString devicePath() const;
    // From 0 to 1, for a progress bar.
    double progress() const;
    // The run as it stands; final after finished().
    const procedures::SelfTestReport &report() const;
    line::WallClock wallClock() const;

signals:
    void progressed();
    void finished();

private:
    enum class Stage { Idle, Opening, Testing, Finished };

    void opened();
    // Ends a run that never reached the line, with `outcome` and why.
    void endUnrun(procedures::Outcome outcome, const std::string &reason);
    void end();

    QString given, name; // the port as given, and its name (empty when it names none)
    int number = 0;
    std::string notAPort; // why `given` names no port
    procedures::SelfTestSettings settings;
    Stage stage = Stage::Idle;
    double done = 0.0; // never falls back, though a stop plans the switching off afresh
    // Destroyed in the reverse order: each before what it uses.
    std::unique_ptr<PortComm> comm;
    std::unique_ptr<LineSession> session;
    std::unique_ptr<SelfTestRunner> runner;
    // The report while no runner holds one: before the line, or of a run that never got there.
    procedures::SelfTestReport unrun;
    line::ClockReading began = line::readClocks();
    std::optional<line::ClockReading> ended;
};
