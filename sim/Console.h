#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

class LineBridge;
class SimulatedModule;

// Commands on standard input, one a line, for tests and scripts:
//   analog N V     analog input N (1-3) to V (0-1023)
//   input N 0|1    digital input N (1-4)
//   relay N 0|1    relay N (1-8)
//   relays         prints "relays 10100001", relay 1 first
//   fault none | late MS | silent | crc | exception | noise | cut-short
//   fault other-address [A]   answer from address A (1-247; default: own + 1)
//   quit
// Every change of the relays prints a "relays" line too.
// Standard input is read only when asked: a simulator started in the
// background of an interactive shell would be stopped by SIGTTIN otherwise.
class Console : public QObject {
    Q_OBJECT
public:
    Console(SimulatedModule &module, LineBridge &line, QObject *parent = nullptr);

    void readStandardInput();

    static void say(const QString &line);

private:
    void readCommands();
    bool execute(const QStringList &words);

    SimulatedModule &module;
    LineBridge &line;
    std::unique_ptr<QSocketNotifier> input;
    QByteArray buffer;
};
