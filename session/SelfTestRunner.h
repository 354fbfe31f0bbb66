#pragma once

#include "Clock.h"
#include "LineHold.h"
#include "SelfTest.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <string>

class LineSession;

// Runs the self-test sequence over the session's line: takes the line, puts its
// requests through the arbiter, its questions to whoever listens (the dialog),
// and the operator's answers back.
class SelfTestRunner : public QObject {
    Q_OBJECT
public:
    SelfTestRunner(LineSession &session, const procedures::SelfTestSettings &settings,
                   QObject *parent = nullptr);

    void start();
    // The operator's answer to the question asked, or Skip while inputs are watched.
    void answer(procedures::Answer answer);
    // The operator, a signal or a closed dialog: every relay is switched off, then finished().
    void cancel(const std::string &reason = "cancelled by the operator");
    const procedures::SelfTest &test() const { return sequence; }
    // The run's times on the wall clock as it read when the run started and ended, never on
    // an offset taken earlier: a session outlives suspends and clock corrections.
    line::WallClock wallClock() const;

signals:
    void asking(const QString &prompt, const std::vector<procedures::Answer> &answers);
    void watching(const QString &prompt); // Skip is the only answer
    void progressed();                    // a transaction or an answer has been taken
    void finished();

private:
    void advance();
    void send();
    void replied(const line::Transaction *transaction);
    void lineLost(const QString &reason);
    void giveUpRequestOut() { ++generation; }

    LineSession &session;
    line::ClockReading began = line::readClocks();
    std::optional<line::ClockReading> ended;
    LineHold hold;
    procedures::SelfTest sequence;
    procedures::Action action;
    QTimer advanceSoon, watchDelay;
    std::uint64_t generation = 0; // a reply to an earlier generation is not waited for
    // The line failed under the test; told to the sequencer once the event is over, since one
    // lost port both ends the request out and is reported by the session.
    std::optional<std::string> lostLine;
    QMetaObject::Connection watchingPort;
};
