#include "Options.h"

#include "FaultTable.h"
#include "WirePace.h"

#include <QCommandLineParser>
#include <QSet>

namespace {

const char *Description =
    "Simulated RZM-530 Modbus RTU I/O modules: 8 relays (coils 0-7), 3 analog inputs\n"
    "(holding registers 4-6, 0-1023) and 4 digital inputs (holding registers 7-10).\n"
    "Each answers Read Coils, Read Holding Registers, Write Single Coil and Write\n"
    "Multiple Coils at its address and obeys broadcasts without answering.\n"
    "\n"
    "It makes its own serial line, linked pseudo-terminals, and publishes the\n"
    "tester's end as <dir>/COM<n>. Start the tester with RZM530_COM_DIR=<dir> and\n"
    "COM Port n to reach it. The link is removed when the simulator exits.\n"
    "\n"
    "--tcp [HOST:]PORT serves the line as a serial device server does, the bytes\n"
    "unchanged (RTU over TCP), on 127.0.0.1 unless HOST is given; PORT 0 takes a\n"
    "free port. One client at a time: a second is turned away, and the log on\n"
    "standard error says so. With --tcp the pseudo-terminal line is made only when\n"
    "--com or --dir is given too. Map a COM number to it in the tester's\n"
    "ports.ini, e.g. COM5=tcp://127.0.0.1:4001.\n"
    "\n"
    "--address 1,17,42 puts a module at each address on the same line. --analog,\n"
    "--inputs, --relays and --fixture set every module; the fault options act on\n"
    "the first module only.\n"
    "\n"
    "--fixture FILE wires each module's relays back to its inputs as the loopback\n"
    "fixture FILE says: a digital input reads on while its relay's contact is\n"
    "closed, an analog input the middle of its range with the relay on or off.\n"
    "An input follows its relay half the fixture's settle_ms later. Inputs the\n"
    "fixture does not wire keep the values --inputs and --analog give them.\n"
    "\n"
    "--paced carries bytes as a %2 baud line does, one every %3 ms: a request\n"
    "reaches the modules when its last byte would, a reply reaches the tester a\n"
    "byte at a time.\n"
    "\n"
    "With --headless there is no window and commands come on standard input, one a\n"
    "line, each acting on the first module or, after \"at A\", on the module at\n"
    "address A:\n"
    "  analog N V | input N 0|1 | relay N 0|1 | relays | collisions | carried | quit\n"
    "%1\n"
    "A command answers \"ok\" or \"error: ...\". \"collisions\" prints \"collisions N\":\n"
    "requests that came while a reply was due, both lost as on a two-wire line.\n"
    "\"carried\" prints \"carried R requests B bytes, P replies C bytes\": what the\n"
    "line has carried to the modules and back.\n"
    "\"relays\" prints \"relays 10100001\", relay 1 first, with one module; with\n"
    "several, a line \"relays 17 10100001\" for each (or for A alone after \"at A\").\n"
    "Every change of the relays prints such a line too. Without --headless\n"
    "standard input is not read. --list-faults prints the faults' table with what\n"
    "each does on the line.";

QList<int> numbers(const QString &list)
{
    QList<int> out;
    for (const QString &item : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.append(item.trimmed().toInt());
    return out;
}

// "1,17,42": different addresses, 1 to 247.
bool parseAddresses(const QString &list, QList<int> *addresses, QString *error)
{
    addresses->clear();
    QSet<int> seen;
    for (const QString &item : list.split(QLatin1Char(','))) {
        bool ok = false;
        const int address = item.trimmed().toInt(&ok);
        if (!ok || address < 1 || address > 247) {
            *error = QStringLiteral("--address takes addresses 1 to 247 separated by commas, "
                                    "e.g. 1,17,42; \"%1\" is not one")
                         .arg(item);
            return false;
        }
        if (seen.contains(address)) {
            *error = QStringLiteral("--address names %1 twice").arg(address);
            return false;
        }
        seen.insert(address);
        addresses->append(address);
    }
    return true;
}

// "4001", "0.0.0.0:4001", "[::1]:4001".
bool parseTcp(const QString &text, Options *options, QString *error)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = colon < 0 ? QStringLiteral("127.0.0.1") : text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    if (!ok || port < 0 || port > 65535 || QHostAddress(host).isNull()) {
        *error = QStringLiteral("--tcp takes [HOST:]PORT, an address and a port from 0 to 65535, "
                                "e.g. 4001 or 0.0.0.0:4001; \"%1\" is not one")
                     .arg(text);
        return false;
    }
    options->tcpHost = host;
    options->tcpPort = port;
    return true;
}

} // namespace

bool parseOptions(const QCoreApplication &app, Options *options, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description)
                                         .arg(consoleFaultCommands())
                                         .arg(WirePace::Baud)
                                         .arg(WirePace::ByteTime.count(), 0, 'f', 2));
    parser.addHelpOption();
    const QCommandLineOption dirOption(
        "dir", "Where to publish the line (default: $RZM530_COM_DIR, else a new temporary folder).",
        "dir");
    const QCommandLineOption comOption("com", "The COM number to publish (default 1).", "n", "1");
    const QCommandLineOption addressOption(
        "address", "The modules' slave addresses, e.g. 1,17,42 (default 1).", "list", "1");
    const QCommandLineOption tcpOption(
        "tcp", "Serves the line over TCP as a serial device server (RTU over TCP).", "[host:]port");
    const QCommandLineOption headlessOption("headless", "No window; commands on standard input.");
    const QCommandLineOption analogOption("analog", "Analog inputs 1-3, e.g. 1023,512,0.", "a,b,c");
    const QCommandLineOption inputsOption("inputs", "Digital inputs 1-4, e.g. 1,0,1,0.", "a,b,c,d");
    const QCommandLineOption relaysOption("relays", "Relays 1-8 at start, e.g. 10100001.", "bits");
    const QCommandLineOption fixtureOption(
        "fixture", "Wires relays to inputs as the loopback fixture file says.", "file");
    const QCommandLineOption pacedOption(
        "paced", QStringLiteral("Bytes at the pace of a %1 baud line.").arg(WirePace::Baud));
    const QCommandLineOption listFaultsOption(
        "list-faults", "Prints the table of faults, in Markdown, and exits.");
    parser.addOptions({dirOption, comOption, addressOption, tcpOption, headlessOption, analogOption,
                       inputsOption, relaysOption, fixtureOption, pacedOption, listFaultsOption});
    for (const FaultRow &row : FaultTable)
        if (row.option != nullptr)
            parser.addOption({QLatin1String(row.option), optionHelp(row),
                              QLatin1String(row.argument ? row.argument : "")});
    parser.process(app);

    options->dir = parser.value(dirOption);
    options->com = parser.value(comOption).toInt();
    if (options->com < 1 || options->com > 50) {
        *error = QStringLiteral("--com takes 1 to 50");
        return false;
    }
    if (!parseAddresses(parser.value(addressOption), &options->addresses, error))
        return false;
    if (parser.isSet(tcpOption)) {
        if (!parseTcp(parser.value(tcpOption), options, error))
            return false;
        options->pty = parser.isSet(comOption) || parser.isSet(dirOption);
    }
    options->headless = parser.isSet(headlessOption);
    options->analog = numbers(parser.value(analogOption));
    options->inputs = numbers(parser.value(inputsOption));
    options->relays = parser.value(relaysOption);
    if (parser.isSet(fixtureOption)) {
        const procedures::ParsedFixture parsed =
            procedures::readFixtureFile(parser.value(fixtureOption).toStdString());
        if (!parsed.fixture) {
            *error = QString::fromStdString(parsed.refusal.text());
            return false;
        }
        options->fixture = parsed.fixture;
    }
    options->paced = parser.isSet(pacedOption);

    options->listFaults = parser.isSet(listFaultsOption);

    for (const FaultRow &row : FaultTable) {
        const QString option = QLatin1String(row.option ? row.option : "");
        if (!option.isEmpty() && parser.isSet(option) &&
            !setFault(row, parser.value(option), false, &options->firstModuleFaults)) {
            *error = optionRange(row);
            return false;
        }
    }
    return true;
}
