#pragma once

#include "Faults.h"
#include "Fixture.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <optional>

// What the command line asks of the simulator.
struct Options {
    QString dir; // empty: $RZM530_COM_DIR, else a scratch folder
    int com = 1;
    bool pty = true;         // the pseudo-terminal line for the tester
    QString tcpHost;         // the serial device server's address, when serving one
    int tcpPort = -1;        // -1: no TCP port; 0: any free one
    QList<int> addresses{1}; // one module each, all on the same line
    bool headless = false;
    bool listFaults = false; // print the faults' table and stop
    // Each module starts with these inputs and relays.
    QList<int> analog, inputs;
    QString relays;
    std::optional<procedures::Fixture> fixture; // wires every module's relays to its inputs
    bool paced = false;                   // bytes at a 9600 baud line's pace
    Faults firstModuleFaults;             // the other modules start sound
};

// Reads the command line of `app`; --help prints and exits. False, with a
// message, when a value is out of range or the fixture file is refused.
bool parseOptions(const QCoreApplication &app, Options *options, QString *error);
