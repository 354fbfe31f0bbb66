#include "SelfTestRunner.h"

#include "LineSession.h"

#include <QPointer>

#include <utility>

SelfTestRunner::SelfTestRunner(LineSession &session, const procedures::SelfTestSettings &settings,
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
    began = line::readClocks();
    hold.take();
    watchingPort = connect(&session, &LineSession::portLost, this, &SelfTestRunner::lineLost);
    advanceSoon.start();
}

void SelfTestRunner::advance()
{
    if (lostLine) {
        sequence.portLost(*std::exchange(lostLine, std::nullopt));
        emit progressed();
    }
    action = sequence.next();
    const QString prompt = QString::fromStdString(action.prompt);
    switch (action.kind) {
    case procedures::Action::Kind::Send: // after a fixture's settle time, when it asks for one
        if (action.interval.count() > 0)
            watchDelay.start(action.interval);
        else
            send();
        break;
    case procedures::Action::Kind::Ask:
        emit asking(prompt, action.answers);
        break;
    case procedures::Action::Kind::Watch:
        emit watching(prompt);
        watchDelay.start(action.interval);
        break;
    case procedures::Action::Kind::Finished:
        ended = line::readClocks();
        disconnect(watchingPort);
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

// A request that could not be sent, or ended by the port closing, is the line's fault: the
// module is not blamed with a "No reply".
void SelfTestRunner::replied(const line::Transaction *transaction)
{
    if (!transaction || transaction->verdict == line::Verdict::PortClosed) {
        if (!lostLine)
            lostLine = "the port is closed";
    } else {
        sequence.replied(*transaction);
        emit progressed();
    }
    advanceSoon.start();
}

void SelfTestRunner::lineLost(const QString &reason)
{
    watchDelay.stop();
    giveUpRequestOut();
    lostLine = "the port was lost: " + reason.toStdString();
    advanceSoon.start();
}

void SelfTestRunner::answer(procedures::Answer answer)
{
    const bool asked = action.kind == procedures::Action::Kind::Ask;
    const bool skipped =
        action.kind == procedures::Action::Kind::Watch && answer == procedures::Answer::Skip;
    if (!asked && !skipped)
        return;
    watchDelay.stop();
    giveUpRequestOut();
    sequence.answered(answer);
    emit progressed();
    advanceSoon.start();
}

void SelfTestRunner::cancel(const std::string &reason)
{
    if (sequence.finished())
        return;
    watchDelay.stop();
    giveUpRequestOut();
    sequence.cancel(reason);
    emit progressed();
    advanceSoon.start();
}

line::WallClock SelfTestRunner::wallClock() const
{
    return line::runWallClock(began, ended.value_or(line::readClocks()));
}
