#include "Console.h"

#include "FaultTable.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

// The word at `i` as a number from lo to hi.
bool number(const QStringList &words, int i, int lo, int hi, int *out)
{
    bool ok = false;
    *out = words.value(i).toInt(&ok);
    return ok && *out >= lo && *out <= hi;
}

} // namespace

Console::Console(const Modules &modules, LineBridge &line, QObject *parent)
    : QObject(parent), modules(modules), line(line)
{
    for (const auto &module : modules) {
        const SimulatedModule *m = module.get();
        connect(m, &SimulatedModule::relaysChanged, this, [this, m] { say(relaysLine(*m)); });
    }
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

SimulatedModule *Console::moduleAt(const QString &address) const
{
    bool ok = false;
    const int a = address.toInt(&ok);
    for (const auto &module : modules)
        if (ok && module->serverAddress() == a)
            return module.get();
    return nullptr;
}

// With one module the line stays as it always was.
QString Console::relaysLine(const SimulatedModule &module) const
{
    if (modules.size() == 1)
        return QStringLiteral("relays ") + module.relayPattern();
    return QStringLiteral("relays %1 %2").arg(module.serverAddress()).arg(module.relayPattern());
}

bool Console::execute(QStringList w)
{
    SimulatedModule *module = modules.front().get();
    const bool named = w.front() == QLatin1String("at");
    if (named) {
        module = moduleAt(w.value(1));
        w = w.mid(2);
        if (module == nullptr || w.isEmpty())
            return false;
    }
    int n = 0, v = 0;
    const QString &command = w.front();
    if (command == QLatin1String("analog") && number(w, 1, 1, 3, &n) &&
        number(w, 2, 0, SimulatedModule::AnalogMax, &v)) {
        module->setAnalog(n - 1, v);
    } else if (command == QLatin1String("input") && number(w, 1, 1, 4, &n) &&
               number(w, 2, 0, 1, &v)) {
        module->setDigital(n - 1, v != 0);
    } else if (command == QLatin1String("relay") && number(w, 1, 1, 8, &n) &&
               number(w, 2, 0, 1, &v)) {
        module->setRelay(n - 1, v != 0);
    } else if (command == QLatin1String("relays")) {
        if (named)
            say(relaysLine(*module));
        else
            for (const auto &each : modules)
                say(relaysLine(*each));
        return true;
    } else if (command == QLatin1String("fault")) {
        if (!executeFault(*module, named, w))
            return false;
        emit module->faultsChanged();
    } else if (command == QLatin1String("collisions")) {
        say(QStringLiteral("collisions %1").arg(line.collisions()));
        return true;
    } else if (command == QLatin1String("carried")) {
        const LineBridge::Carried requests = line.requestsCarried(),
                                  replies = line.repliesCarried();
        say(QStringLiteral("carried %1 requests %2 bytes, %3 replies %4 bytes")
                .arg(requests.frames)
                .arg(requests.bytes)
                .arg(replies.frames)
                .arg(replies.bytes));
        return true;
    } else if (command == QLatin1String("quit")) {
        QCoreApplication::quit();
    } else {
        return false;
    }
    say(QStringLiteral("ok"));
    return true;
}

bool Console::executeFault(SimulatedModule &module, bool named, const QStringList &w)
{
    if (w.size() == 2 && w[1] == QLatin1String("none")) {
        module.faults = {};
        return true;
    }
    const FaultRow *row = faultCommanded(w.value(1));
    if (row == nullptr)
        return false;
    const bool omitted = w.size() == 2 && row->onConsole == OnConsole::MayOmitValue;
    if (w.size() != (row->argument ? 3 : 2) && !omitted)
        return false;
    if (std::holds_alternative<LineConnection>(row->switched))
        return !named && line.dropTcpClient(); // the connection is the line's, not a module's
    const QString value = omitted ? QString::number(module.serverAddress() % 247 + 1) : w.value(2);
    return setFault(*row, value, true, &module.faults);
}
