#include "SelfTestRunner.h"

#include "LineSession.h"

#include <QPointer>

#include <chrono>

SelfTestRunner::SelfTestRunner(LineSession &session, const line::SelfTestSettings &settings,
                               QObject *parent)
    : QObject(parent), session(session), hold(session.arbiter(), line::Origin::SelfTest),
      sequence(settings)
{
    advanceSoon.setSingleShot(true); // several reasons to go on make one step
    advanceSoon.setInterval(0);
    connect(&advanceSoon, &QTimer::timeout, this, &SelfTestRunner::advance);
    watchDelay.setSingleShot(true);
    connect(&watchDelay, &QTimer::timeout, this, &SelfTestRunner::send);
}

void SelfTestRunner::start()
{
    hold.take();
    advanceSoon.start();
}

void SelfTestRunner::advance()
{
    action = sequence.next();
    const QString prompt = QString::fromStdString(action.prompt);
    switch (action.kind) {
    case line::Action::Kind::Send:
        send();
        break;
    case line::Action::Kind::Ask:
        emit asking(prompt, action.answers);
        break;
    case line::Action::Kind::Watch:
        emit watching(prompt);
        watchDelay.start(action.interval);
        break;
    case line::Action::Kind::Finished:
        hold.release();
        emit finished();
        break;
    }
}

void SelfTestRunner::send()
{
    QPointer<SelfTestRunner> self(this);
    const std::uint64_t sent = generation;
    session.arbiter().submit(action.request, line::Origin::SelfTest, action.replyWait,
                             [self, sent](const line::Transaction *t) {
                                 if (self && self->generation == sent)
                                     self->replied(t);
                             });
}

// A request that could not be sent (the port is closed) counts as no reply.
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
    giveUpRequestOut();
    sequence.answered(answer);
    emit progressed();
    advanceSoon.start();
}

void SelfTestRunner::cancel()
{
    if (sequence.finished())
        return;
    watchDelay.stop();
    giveUpRequestOut();
    sequence.cancel();
    emit progressed();
    advanceSoon.start();
}
