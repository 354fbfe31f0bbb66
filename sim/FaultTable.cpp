#include "FaultTable.h"

#include "SimulatedModule.h"

#include <QStringList>

namespace {

constexpr int Relays = SimulatedModule::Relays;
constexpr int Inputs = SimulatedModule::DigitalInputs;

// The option or command with its value: "--late MS", "fault other-address [A]".
QString withValue(const QString &word, const FaultRow &row, bool onConsole)
{
    if (row.argument == nullptr)
        return word;
    const bool optional = onConsole && row.onConsole == OnConsole::MayOmitValue;
    return word + QString::fromLatin1(optional ? " [%1]" : " %1").arg(QLatin1String(row.argument));
}

QString commandOf(const FaultRow &row)
{
    return withValue(QStringLiteral("fault ") + QLatin1String(row.command), row, true);
}

} // namespace

// In the documented table's order (docs/simulator.md); the wiring faults, inside the module, come last.
const std::array<FaultRow, 15> FaultTable{{
    {"reply late", "late", "late", "MS", &Faults::lateMs, 60000, OnConsole::Same,
     "every reply MS later"},
    {"stay silent", "silent", "silent", nullptr, &Faults::silent, 0, OnConsole::Same, "no reply"},
    {"corrupt CRC", "corrupt-crc", "crc", nullptr, &Faults::corruptCrc, 0, OnConsole::Same,
     "the last CRC byte inverted"},
    {"exception reply", "exception", "exception", nullptr, &Faults::exception, 0, OnConsole::Same,
     "exception 04 to every request"},
    {"noise before reply", "noise", "noise", nullptr, &Faults::noise, 0, OnConsole::Same,
     "`FF AA FE` before every reply"},
    {"answer as address", "other-address", "other-address", "A", &Faults::otherAddress, 247,
     OnConsole::MayOmitValue, "reply from address A (default own + 1), CRC good"},
    {"cut reply short", "cut-short", "cut-short", nullptr, &Faults::cutShort, 0, OnConsole::Same,
     "the last 3 bytes of every reply left off"},
    {"stuck relay", "stuck-relay", "stuck-relay", "N", &Faults::stuckRelay, Relays,
     OnConsole::ZeroClears, "writes to coil N-1 are echoed but change nothing"},
    {"inverted relay", "inverted-relay", "inverted-relay", "N", &Faults::invertedRelay, Relays,
     OnConsole::ZeroClears, "coil N-1 switches, Read Coils reports it inverted"},
    {"dead input", "dead-input", "dead-input", "N", &Faults::deadInput, Inputs,
     OnConsole::ZeroClears, "holding register 6+N always reads 0"},
    {"relay stuck on", "stuck-on-relay", "stuck-on-relay", "N", &Faults::stuckOnRelay, Relays,
     OnConsole::ZeroClears, "coil N-1 reads on, whatever is written"},
    {"shorted inputs", "shorted-inputs", "shorted-inputs", "A,B", &Faults::shortedInputs, Inputs,
     OnConsole::ZeroClears, "digital inputs A and B wired together: either on, both read on"},
    {"analog follower", "analog-follows", "analog-follows", "A,B", &Faults::analogFollows,
     SimulatedModule::AnalogInputs, OnConsole::ZeroClears,
     "analog input B reads what input A does"},
    {"contact open", "contact-open", "contact-open", "N", &Faults::contactOpen, Relays,
     OnConsole::ZeroClears,
     "coil N-1 switches and reads back, but relay N's contact never closes: the input it drives "
     "under `--fixture` stays off"},
    {"drop the connection", nullptr, "drop", nullptr, LineConnection{}, 0, OnConsole::Same,
     "the TCP client's connection is closed now (window: **Drop the connection**)"},
}};

const FaultRow *faultCommanded(const QString &command)
{
    for (const FaultRow &row : FaultTable)
        if (command == QLatin1String(row.command))
            return &row;
    return nullptr;
}

bool setFault(const FaultRow &row, const QString &value, bool onConsole, Faults *faults)
{
    if (const auto flag = std::get_if<bool Faults::*>(&row.switched)) {
        faults->**flag = true;
        return true;
    }
    if (const auto pair = std::get_if<std::array<int, 2> Faults::*>(&row.switched))
        return parseInputPair(value, row.most, &(faults->**pair));
    const auto number = std::get_if<int Faults::*>(&row.switched);
    const int least = onConsole && row.onConsole == OnConsole::ZeroClears ? 0 : 1;
    bool ok = false;
    const int n = value.toInt(&ok);
    if (number == nullptr || !ok || n < least || n > row.most)
        return false;
    faults->**number = n;
    return true;
}

QString optionRange(const FaultRow &row)
{
    const QString pattern =
        std::holds_alternative<std::array<int, 2> Faults::*>(row.switched)
            ? QStringLiteral("--%1 takes two different inputs 1 to %2, e.g. 1,2")
            : QStringLiteral("--%1 takes 1 to %2");
    return pattern.arg(QLatin1String(row.option)).arg(row.most);
}

QString optionHelp(const FaultRow &row)
{
    QString effect = QString::fromUtf8(row.effect);
    effect.remove(QLatin1Char('`')).remove(QLatin1Char('*'));
    return QStringLiteral("Fault: %1.").arg(effect);
}

QString consoleFaultCommands()
{
    QStringList lines{QStringLiteral("  fault none")};
    for (const FaultRow &row : FaultTable) {
        QString line =
            QStringLiteral("  %1 %2").arg(commandOf(row), -28).arg(QLatin1String(row.caption));
        if (row.argument != nullptr)
            line += QStringLiteral(", %1 1 to %2").arg(QLatin1String(row.argument)).arg(row.most);
        if (row.onConsole == OnConsole::MayOmitValue)
            line += QStringLiteral(" (default own + 1)");
        if (row.onConsole == OnConsole::ZeroClears)
            line += QStringLiteral(" (0 clears it)");
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

QString faultTableMarkdown()
{
    QStringList lines{QStringLiteral("| Fault | Option | Command | On the line |"),
                      QStringLiteral("|---|---|---|---|")};
    const auto code = [](const QString &text) { return QStringLiteral("`%1`").arg(text); };
    for (const FaultRow &row : FaultTable) {
        const QString option =
            row.option
                ? code(withValue(QStringLiteral("--") + QLatin1String(row.option), row, false))
                : QString();
        lines << QStringLiteral("| %1 | %2 | %3 | %4 |")
                     .arg(QLatin1String(row.caption), option, code(commandOf(row)),
                          QString::fromUtf8(row.effect));
    }
    return lines.join(QLatin1Char('\n'));
}
