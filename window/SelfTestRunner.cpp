#include "SelfTestRunner.h"

#include <chrono>

SelfTestRunner::SelfTestRunner(modbus::ModbusMaster &master, LineTap &tap,
                               const line::SelfTestSettings &settings, QObject *parent)
    : QObject(parent), runner(master, tap), sequence(settings)
{
    advanceSoon.setSingleShot(true); // several reasons to go on make one step
    advanceSoon.setInterval(0);
    connect(&advanceSoon, &QTimer::timeout, this, &SelfTestRunner::advance);
    watchDelay.setSingleShot(true);
    connect(&watchDelay, &QTimer::timeout, this,
            [this] { runner.send(action.request, action.replyWait); });
    connect(&runner, &RequestRunner::done, this, &SelfTestRunner::replied);
}

void SelfTestRunner::start()
{
    advanceSoon.start();
}

void SelfTestRunner::advance()
{
    action = sequence.next();
    const QString prompt = QString::fromStdString(action.prompt);
    switch (action.kind) {
    case line::Action::Kind::Send:
        runner.send(action.request, action.replyWait);
        break;
    case line::Action::Kind::Ask:
        emit asking(prompt, action.answers);
        break;
    case line::Action::Kind::Watch:
        emit watching(prompt);
        watchDelay.start(action.interval);
        break;
    case line::Action::Kind::Finished:
        emit finished();
        break;
    }
}

// A port that went away sends nothing: that counts as no reply.
void SelfTestRunner::replied(const line::Transaction *transaction)
{
    line::Transaction none;
    none.start = none.requestEnd = none.replyEnd = std::chrono::steady_clock::now();
    sequence.replied(transaction ? *transaction : none);
    emit progressed();
    advanceSoon.start();
}

void SelfTestRunner::answer(line::Answer answer)
{
    const bool asked = action.kind == line::Action::Kind::Ask;
    const bool skipped = action.kind == line::Action::Kind::Watch && answer == line::Answer::Skip;
    if (!asked && !skipped)
        return;
    watchDelay.stop();
    runner.stop(); // a read still out is given up
    sequence.answered(answer);
    emit progressed();
    advanceSoon.start();
}

void SelfTestRunner::cancel()
{
    if (sequence.finished())
        return;
    watchDelay.stop();
    runner.stop();
    sequence.cancel();
    emit progressed();
    advanceSoon.start();
}
