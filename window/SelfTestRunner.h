#pragma once

#include "RequestRunner.h"
#include "SelfTest.h"

#include <QObject>
#include <QTimer>

// Runs the self-test sequence over the real line: its requests through the
// master's builders, its questions to whoever listens (the dialog), and the
// operator's answers back.
class SelfTestRunner : public QObject {
    Q_OBJECT
public:
    SelfTestRunner(modbus::ModbusMaster &master, LineTap &tap,
                   const line::SelfTestSettings &settings, QObject *parent = nullptr);

    void start();
    // The operator's answer to the question asked, or Skip while inputs are watched.
    void answer(line::Answer answer);
    void cancel();
    const line::SelfTest &test() const { return sequence; }

signals:
    void asking(const QString &prompt, const std::vector<line::Answer> &answers);
    void watching(const QString &prompt); // Skip is the only answer
    void progressed();                    // a transaction or an answer has been taken
    void finished();

private:
    void advance();
    void replied(const line::Transaction *transaction);

    RequestRunner runner;
    line::SelfTest sequence;
    line::Action action;
    QTimer advanceSoon, watchDelay;
};
