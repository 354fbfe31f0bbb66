#include "SlotRun.h"

#include "LineSession.h"
#include "PortComm.h"
#include "SelfTestRunner.h"
#include "SlotPort.h"

#include <QTimer>

#include <algorithm>

SlotRun::SlotRun(const QString &port, const procedures::SelfTestSettings &settings, QObject *parent)
    : QObject(parent), given(port.trimmed()), settings(settings),
      comm(std::make_unique<PortComm>()), session(std::make_unique<LineSession>(*comm)),
      unrun(procedures::unrunReport(settings.address, procedures::Outcome::Error, "not started"))
{
    const SlotPort named = slotPort(given.toStdString(), &notAPort);
    name = QString::fromStdString(named.name);
    number = named.comNumber;
    connect(session.get(), &LineSession::portOpened, this, &SlotRun::opened);
    connect(session.get(), &LineSession::portOpenFailed, this, [this](const QString &why) {
        endUnrun(procedures::Outcome::Error, "the port cannot be opened: " + why.toStdString());
    });
}

SlotRun::~SlotRun() = default;

void SlotRun::start()
{
    if (stage != Stage::Idle)
        return;
    stage = Stage::Opening;
    began = line::readClocks();
    const bool opens =
        !name.isEmpty() && (number ? session->openPort(number) : session->openPort(name));
    if (!opens) {
        // Told from the event loop, as every other end is: whoever started it has its
        // connections in place by then.
        const std::string why = name.isEmpty() ? notAPort : comm->errorString().toStdString();
        QTimer::singleShot(0, this, [this, why] {
            endUnrun(procedures::Outcome::Error, "the port cannot be opened: " + why);
        });
    } else if (!session->opening()) {
        opened();
    }
}

void SlotRun::opened()
{
    if (stage != Stage::Opening)
        return;
    stage = Stage::Testing;
    runner = std::make_unique<SelfTestRunner>(*session, settings);
    connect(runner.get(), &SelfTestRunner::progressed, this, [this] {
        done = std::max(done, runner->test().progress());
        emit progressed();
    });
    connect(runner.get(), &SelfTestRunner::finished, this, &SlotRun::end);
    runner->start();
    emit progressed();
}

void SlotRun::cancel(const std::string &reason)
{
    if (stage == Stage::Testing)
        runner->cancel(reason);
    else if (stage == Stage::Opening) // nothing sent yet: the connection is dropped
        endUnrun(procedures::Outcome::Aborted, reason);
}

void SlotRun::endUnrun(procedures::Outcome outcome, const std::string &reason)
{
    if (stage != Stage::Opening)
        return;
    session->closePort();
    unrun = procedures::unrunReport(settings.address, outcome, reason);
    end();
}

void SlotRun::end()
{
    stage = Stage::Finished;
    ended = line::readClocks();
    done = 1.0;
    // The line is let go at once: the module may be taken out, another test may use the port.
    session->closePort();
    emit progressed();
    emit finished();
}

bool SlotRun::running() const
{
    return stage == Stage::Opening || stage == Stage::Testing;
}

QString SlotRun::portName() const
{
    return name.isEmpty() ? given : name;
}

int SlotRun::comNumber() const
{
    return number;
}

std::string SlotRun::portNameOf(const std::string &port, std::string *why)
{
    return slotPortName(port, why);
}

QString SlotRun::devicePath() const
{
    return comm->devicePath();
}

double SlotRun::progress() const
{
    return done;
}

const procedures::SelfTestReport &SlotRun::report() const
{
    return runner ? runner->test().report() : unrun;
}

line::WallClock SlotRun::wallClock() const
{
    if (runner)
        return runner->wallClock();
    return line::runWallClock(began, ended.value_or(line::readClocks()));
}
