#include "Console.h"

#include "LineBridge.h"
#include "SimulatedModule.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

Console::Console(SimulatedModule &module, LineBridge &line, QObject *parent)
    : QObject(parent), module(module), line(line)
{
    connect(&module, &SimulatedModule::relaysChanged, this,
            [this] { say(QStringLiteral("relays ") + this->module.relayPattern()); });
}

void Console::readStandardInput()
{
    input = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(input.get(), &QSocketNotifier::activated, this, &Console::readCommands);
}

void Console::say(const QString &text)
{
    QTextStream out(stdout);
    out << text << Qt::endl;
}

void Console::readCommands()
{
    char chunk[512];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n <= 0) {
        input->setEnabled(false); // end of input: keep running until told to stop
        return;
    }
    buffer.append(chunk, qsizetype(n));
    qsizetype end;
    while ((end = buffer.indexOf('\n')) >= 0) {
        const QString text = QString::fromUtf8(buffer.left(end)).trimmed();
        buffer.remove(0, end + 1);
        const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!words.isEmpty() && !execute(words))
            say(QStringLiteral("error: cannot do \"%1\"").arg(text));
    }
}

bool Console::execute(const QStringList &w)
{
    const auto number = [&w](int i, int lo, int hi, int *out) {
        bool ok = false;
        *out = w.value(i).toInt(&ok);
        return ok && *out >= lo && *out <= hi;
    };
    int n = 0, v = 0;
    const QString &command = w.front();
    if (command == QLatin1String("analog") && number(1, 1, 3, &n) &&
        number(2, 0, SimulatedModule::AnalogMax, &v)) {
        module.setAnalog(n - 1, v);
    } else if (command == QLatin1String("input") && number(1, 1, 4, &n) && number(2, 0, 1, &v)) {
        module.setDigital(n - 1, v != 0);
    } else if (command == QLatin1String("relay") && number(1, 1, 8, &n) && number(2, 0, 1, &v)) {
        module.setRelay(n - 1, v != 0);
    } else if (command == QLatin1String("relays")) {
        say(QStringLiteral("relays ") + module.relayPattern());
        return true;
    } else if (command == QLatin1String("fault") && w.size() >= 2) {
        const QString &kind = w[1];
        if (kind == QLatin1String("none")) {
            line.faults = {};
            module.answerWithException = false;
        } else if (kind == QLatin1String("late") && number(2, 1, 60000, &v)) {
            line.faults.lateMs = v;
        } else if (kind == QLatin1String("silent")) {
            line.faults.silent = true;
        } else if (kind == QLatin1String("crc")) {
            line.faults.corruptCrc = true;
        } else if (kind == QLatin1String("exception")) {
            module.answerWithException = true;
        } else if (kind == QLatin1String("noise")) {
            line.faults.noise = true;
        } else if (kind == QLatin1String("other-address") && w.size() == 2) {
            line.faults.otherAddress = module.serverAddress() % 247 + 1;
        } else if (kind == QLatin1String("other-address") && number(2, 1, 247, &v)) {
            line.faults.otherAddress = v;
        } else if (kind == QLatin1String("cut-short")) {
            line.faults.cutShort = true;
        } else {
            return false;
        }
    } else if (command == QLatin1String("quit")) {
        QCoreApplication::quit();
    } else {
        return false;
    }
    say(QStringLiteral("ok"));
    return true;
}
