#pragma once

#include "Faults.h"

#include <QString>

#include <array>
#include <variant>

// The one list of the simulator's faults. Each row is a command-line option, a
// console command, a line of --help and a row of the table in docs/simulator.md
// (--list-faults prints it); what a fault does is coded where it acts: on a
// reply's bytes (Faults.cpp), on its timing (LineBridge.cpp) or inside the
// module (SimulatedModule.cpp). A new fault is a row here, its switch in
// Faults and its effect.

// The TCP client's connection: the line's, not a module's, so no switch.
struct LineConnection {};

// What setting a fault switches in a module's Faults: a flag, a number or a
// pair of inputs.
using FaultSwitch =
    std::variant<LineConnection, bool Faults::*, int Faults::*, std::array<int, 2> Faults::*>;

// What the console takes beyond the command line's range.
enum class OnConsole {
    Same,
    ZeroClears,  // 0 (or 0 for a pair) switches the fault off again
    MayOmitValue // without a value, the address after the module's own
};

struct FaultRow {
    const char *caption;  // "reply late"
    const char *option;   // --late; nullptr: a console command only
    const char *command;  // fault late
    const char *argument; // "MS", "N", "A,B"; nullptr: none
    FaultSwitch switched;
    int most; // a number, or each of a pair, from 1 to this
    OnConsole onConsole;
    const char *effect; // what the tester sees, in Markdown
};

extern const std::array<FaultRow, 15> FaultTable;

// The row whose console command is `command`, or null.
const FaultRow *faultCommanded(const QString &command);

// Sets `row`'s fault from its value as typed (ignored by a flag); false when it
// is out of range. The console's wider range applies when `onConsole`.
bool setFault(const FaultRow &row, const QString &value, bool onConsole, Faults *faults);

// "--stuck-relay takes 1 to 8": what the option takes, for when it was given otherwise.
QString optionRange(const FaultRow &row);
// The option's help: "Fault: every reply MS later."
QString optionHelp(const FaultRow &row);
// The console's fault commands, one a line, indented, for --help.
QString consoleFaultCommands();
// The table in Markdown, as docs/simulator.md has it (the doc_fault_table test compares them).
QString faultTableMarkdown();
