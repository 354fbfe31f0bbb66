#pragma once

#include "LineBridge.h"
#include "SimulatedModule.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Commands on standard input, one a line, for tests and scripts. Each may
// start with "at A" to act on the module at address A; without it, it acts on
// the first module given to --address.
//   analog N V     analog input N (1-3) to V (0-1023)
//   input N 0|1    digital input N (1-4)
//   relay N 0|1    relay N (1-8)
//   relays         prints the relays, relay 1 first: "relays 10100001" with
//                  one module; with several, "relays 17 10100001" for each
//                  (all of them unless "at A" names one)
//   fault none     clears every fault of the module
//   fault ...      each fault of FaultTable, by its command
//   collisions     prints "collisions N": requests that came while a reply was due
//   carried        prints "carried R requests B bytes, P replies C bytes": what the line has
//                  carried either way
//   quit
// Commands answer "ok", or "error: ..." when they cannot be done.
// Every change of a module's relays prints its "relays" line too.
// Standard input is read only when asked: a simulator started in the
// background of an interactive shell would be stopped by SIGTTIN otherwise.
class Console : public QObject {
    Q_OBJECT
public:
    Console(const Modules &modules, LineBridge &line, QObject *parent = nullptr);

    void readStandardInput();

    static void say(const QString &line);

private:
    void readCommands();
    bool execute(QStringList words);
    bool executeFault(SimulatedModule &module, bool named, const QStringList &words);
    SimulatedModule *moduleAt(const QString &address) const;
    QString relaysLine(const SimulatedModule &module) const;

    const Modules &modules;
    LineBridge &line;
    std::unique_ptr<QSocketNotifier> input;
    QByteArray buffer;
};
