#include "CommandLine.h"

#include "ExitStatus.h"
#include "HistoryLimits.h"
#include "HistorySettings.h"
#include "PortTarget.h"
#include "Scan.h"
#include "SelfTestResult.h"
#include "ServerUrl.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

// Each program's opening, then what both say.
const char *TesterOpening =
    R"(Tests the RZM-530, a Modbus RTU I/O module with 8 relays, 4 digital inputs
and 3 analog inputs, on a serial line at 9600 baud, 8N1. Started without
options it opens its window: type the COM port number and the module's
address, switch the relays and watch the inputs.
)";
const char *ConsoleOpening =
    R"(Tests the RZM-530, a Modbus RTU I/O module with 8 relays, 4 digital inputs
and 3 analog inputs, on a serial line at 9600 baud, 8N1, without a window:
for scripts, and for Windows' console, which waits for it. Started without
options it says what to do; the window is rzm530-tester's.
)";
const char *Description =
    R"(
--scan finds modules: one Read Coils per address, on one port or on every
port present. It prints a line per module found.

--self-test runs the link and relay steps of the guided test on one module
and writes the reports asked for. It addresses that module alone; with
--broadcast-all it also switches all relays by broadcast, as the window's
All row does, and every module on the line obeys. Every run is kept in the
test history, whatever its outcome, unless --no-history is given.

--history prints the kept runs as CSV (started, serial, operator, station,
outcome, failed, id), newest first; --yield prints the yield per day of the
same runs; --sync uploads the runs that wait for the history server, and
says why it stopped.

COM numbers:
  Windows           COM n is COMn.
  Linux             COM n is the n-th serial device present: /dev/ttyS* (those
                    the system reports as real), then /dev/ttyUSB*, then
                    /dev/ttyACM*, each by number.
  RZM530_COM_DIR    when set, COM n is $RZM530_COM_DIR/COMn on any system: a
                    device, a pseudo-terminal or a symlink to one.
  ports.ini         a number mapped there wins over both: a device by path, or
                    a serial device server passing the line's bytes over TCP,
                    e.g. COM5=tcp://192.0.2.10:4001 in the [ports] section of
                    $XDG_CONFIG_HOME/rzm530/ports.ini (roaming AppData on
                    Windows). --port also takes tcp://HOST:PORT itself.)";

// Where an option belongs, in words.
QString modeOf(const QString &option)
{
    static const QStringList selfTestOnly{"address", "report", "html", "no-history",
                                          "broadcast-all"};
    static const QStringList selfTestOrHistory{"serial", "operator", "station"};
    static const QStringList historyOnly{"since", "until", "outcome"};
    if (option == QLatin1String("port"))
        return QStringLiteral("--scan or --self-test");
    if (option == QLatin1String("log"))
        return QStringLiteral("the window, not with --scan or --self-test");
    if (option == QLatin1String("db"))
        return QStringLiteral("--self-test, --history, --yield or --sync");
    if (selfTestOrHistory.contains(option))
        return QStringLiteral("--self-test, --history or --yield");
    if (historyOnly.contains(option))
        return QStringLiteral("--history or --yield");
    return selfTestOnly.contains(option) ? QStringLiteral("--self-test") : QStringLiteral("--scan");
}

// Where the history is, and how to reach a server without showing its password.
QString historyHelp()
{
    return QStringLiteral(R"(
History:
  The runs are kept in %1
  (the window and rzm530-cli share it). With a history server, given by
  --db or in the history window's settings, each run goes up to it as well:
  the window's in the background, --self-test's alone, waited for at most
  %2 s after its verdict. A run the server cannot take waits in that file
  for --sync or the window to send it; --history and --yield read the server
  and say how many runs wait. In their CSV a field that begins with =, +, -,
  @, a tab or a carriage return gets a leading ', so that a spreadsheet
  shows it rather than running it.
  --db postgresql://USER@HOST[:PORT]/DBNAME names the server for this run
  only. Give its password in ~/.pgpass, or in the file PGPASSFILE names,
  which the PostgreSQL client reads by itself: a password in the URL is
  refused, since it would show in the process list and the shell's history.
)")
        .arg(localHistoryPath())
        .arg(std::chrono::seconds(historyLimits::ConsoleUpload).count());
}

// "  2    " and the meaning, its lines wrapped under it.
QString exitStatusLine(int code, const QString &meaning)
{
    constexpr int Indent = 7, Width = 79;
    QString text = QStringLiteral("  %1").arg(code, -(Indent - 2)), line;
    for (const QString &word : meaning.split(QLatin1Char(' '))) {
        if (!line.isEmpty() && Indent + line.size() + 1 + word.size() > Width) {
            text += line + QLatin1Char('\n') + QString(Indent, QLatin1Char(' '));
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return text + line + QLatin1Char('\n');
}

// Every exit status of the program, and what it means; its manual page shows the same list.
QString exitStatusHelp(CommandLine::Program program)
{
    const bool tester = program == CommandLine::Program::Tester;
    const auto s = [](std::chrono::seconds limit) { return QString::number(limit.count()); };
    const std::pair<int, QString> meanings[] = {
        {exitStatus::Done,
         QString(tester ? "The window was closed, or ended by Ctrl+C, SIGTERM or SIGHUP; " : "") +
             "--scan found a module; --self-test ended in PASS; --history or --yield printed "
             "the runs; --sync left no run waiting."},
        {exitStatus::Fail, "--scan scanned every port and no module answered; --self-test ended "
                           "in FAIL."},
        {exitStatus::Error,
         QString("A mistake on the command line") + (tester ? "" : ", or no mode asked for") +
             ", told on standard error" + (tester ? "; the file of --log cannot be written" : "") +
             "; --scan found no module and a port could not be opened or was lost; --self-test "
             "ended in ERROR (no port, the port lost, no module answering, a Modbus TCP server "
             "where RTU over TCP was meant, a report that cannot be written), or neither the "
             "local file nor the history server took its run; --history or --yield cannot open "
             "the local file or found it damaged, or the server cannot be reached or refused the "
             "read; --sync has no server, or it cannot be reached or did not answer for " +
             s(historyLimits::SyncSilence) + " s."},
        {exitStatus::Refused,
         "--sync: the history server answered with an error: a password, a database or a "
         "right refused, a lock held " +
             s(historyLimits::ServerAnswer) + " s, a statement cut off after " +
             s(historyLimits::ServerStatement) + " s, a full disk."},
        {exitStatus::LocalFile, "--sync: the local file cannot be opened, read or written."},
        {exitStatus::Unreadable, "--sync: some runs cannot be read from the local file; they "
                                 "are named, and every other run went up."},
        {exitStatus::Interrupted,
         "Ctrl+C, SIGTERM or SIGHUP ended --scan, --sync (the rest waits) or --self-test "
         "(after every relay was switched off, its run kept as ABORTED)."},
    };
    QString text = QStringLiteral("\nExit status:\n");
    for (const auto &[code, meaning] : meanings)
        text += exitStatusLine(code, meaning);
    return text;
}

bool singleDash(const QString &argument)
{
    return argument.startsWith(QLatin1Char('-')) && !argument.startsWith(QLatin1String("--"));
}

QCommandLineOption valued(const char *name, const char *description, const char *value)
{
    return {QString::fromLatin1(name), QString::fromLatin1(description),
            QString::fromLatin1(value)};
}

QCommandLineOption flag(const char *name, const char *description)
{
    return {QString::fromLatin1(name), QString::fromLatin1(description)};
}

} // namespace

CommandLine::CommandLine(const QStringList &arguments, Program program)
    : help(QStringList{"h", "help"}, QStringLiteral("Shows this help and exits.")),
      version(QStringList{"v", "version"}, QStringLiteral("Shows the version and exits.")),
      log(valued("log",
                 "Writes every transaction on the line to FILE as CSV while the window runs, a "
                 "row as each one ends; appends when FILE exists.",
                 "FILE")),
      scanMode(flag("scan", "Finds modules, without a window.")),
      port(valued("port", "The COM port to scan or test (default 1), or tcp://HOST:PORT.", "N")),
      allPorts(flag("all-ports", "Scans every COM port present.")),
      first(valued("first", "The first address to scan (default 1).", "A")),
      last(valued("last", "The last address to scan (default 247).", "B")),
      timeout(
          valued("timeout", "How long to wait for each reply when scanning (default 100).", "MS")),
      selfTestMode(flag("self-test", "Tests one module: the link and relay steps, no window.")),
      address(valued("address", "The module's address for --self-test (default 1).", "A")),
      report(valued("report", "Writes the self-test report as JSON to FILE.", "FILE.json")),
      html(valued("html", "Writes the self-test report as HTML to FILE.", "FILE.html")),
      serial(valued("serial", "The module's serial number, for the report.", "TEXT")),
      operatorName(valued("operator", "Who runs the test, for the report.", "TEXT")),
      station(valued("station",
                     "This test station's name for the history (default: the history "
                     "settings' name, else the host name).",
                     "NAME")),
      db(valued("db", "The history server for this run: postgresql://USER@HOST[:PORT]/DBNAME.",
                "URL")),
      noHistory(flag("no-history", "Keeps no record of this self-test in the history.")),
      broadcastAll(flag("broadcast-all", "Also switches all relays by broadcast in --self-test: "
                                         "every module on the line obeys.")),
      historyMode(flag("history", "Prints the kept runs as CSV, newest first.")),
      yieldMode(flag("yield", "Prints the yield per day of the kept runs as CSV.")),
      syncMode(flag("sync", "Uploads the runs that wait for the history server.")),
      since(valued("since", "Only runs on or after this local day.", "YYYY-MM-DD")),
      until(valued("until", "Only runs on or before this local day.", "YYYY-MM-DD")),
      outcome(valued("outcome", "Only runs with this outcome.", "pass|fail|error|aborted")),
      whose(program)
{
    const char *opening = program == Program::Tester ? TesterOpening : ConsoleOpening;
    parser.setApplicationDescription(QString::fromLatin1(opening) +
                                     QString::fromLatin1(Description));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (program == Program::Console) // the window's
        log.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({help,      version,  log,       scanMode,     port,
                       allPorts,  first,    last,      timeout,      selfTestMode,
                       address,   report,   html,      serial,       operatorName,
                       station,   db,       noHistory, broadcastAll, historyMode,
                       yieldMode, syncMode, since,     until,        outcome});

    if (!parser.parse(arguments)) {
        // QApplication takes its own options ("-platform offscreen") out of the
        // list before the tester reads it again; anything else is a mistake.
        const QStringList given = arguments.mid(1);
        const bool leftToQt = std::all_of(given.begin(), given.end(), [](const QString &a) {
            return !a.startsWith(QLatin1Char('-')) || singleDash(a);
        });
        chosen = leftToQt ? Mode::Window : Mode::Error;
        error = parser.errorText();
        return;
    }
    if (parser.isSet(help))
        chosen = Mode::Help;
    else if (parser.isSet(version))
        chosen = Mode::Version;
    else if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().front()));
    else if (const int modes = int(parser.isSet(scanMode)) + int(parser.isSet(selfTestMode)) +
                               int(parser.isSet(historyMode)) + int(parser.isSet(yieldMode)) +
                               int(parser.isSet(syncMode));
             modes > 1)
        fail(QStringLiteral("Choose one of --scan, --self-test, --history, --yield and --sync."));
    else if (parser.isSet(scanMode))
        readScan();
    else if (parser.isSet(selfTestMode))
        readSelfTest();
    else if (parser.isSet(historyMode))
        readHistory(Mode::History);
    else if (parser.isSet(yieldMode))
        readHistory(Mode::Yield);
    else if (parser.isSet(syncMode))
        readHistory(Mode::Sync);
    else
        refuseOptionsOf({port, allPorts, first, last, timeout, address, report, html, serial,
                         operatorName, station, db, noHistory, broadcastAll, since, until,
                         outcome});
}

// An option of another mode would be silently ignored: say so instead.
void CommandLine::refuseOptionsOf(const QList<QCommandLineOption> &options)
{
    for (const QCommandLineOption &option : options)
        if (parser.isSet(option)) {
            const QString name = option.names().constFirst();
            fail(QStringLiteral("--%1 belongs with %2.").arg(name, modeOf(name)));
        }
}

QString CommandLine::helpText() const
{
    return parser.helpText() + historyHelp() + exitStatusHelp(whose);
}

void CommandLine::fail(const QString &text)
{
    if (chosen == Mode::Error)
        return; // the first mistake is the one to tell
    chosen = Mode::Error;
    error = text;
}

int CommandLine::number(const QCommandLineOption &option, int fallback, int lowest, int highest)
{
    if (!parser.isSet(option))
        return fallback;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < lowest || value > highest) {
        fail(QStringLiteral("--%1 takes a number from %2 to %3.")
                 .arg(option.names().constFirst())
                 .arg(lowest)
                 .arg(highest));
        return fallback;
    }
    return value;
}

void CommandLine::readPort(int *numberOut, QString *text)
{
    const QString given = parser.value(port).trimmed();
    if (given.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive)) {
        PortTarget target;
        QString why;
        if (!PortTarget::parse(given, &target, &why))
            fail(QStringLiteral("--port: %1.").arg(why));
        *numberOut = 0;
        *text = target.text();
        return;
    }
    *numberOut = number(port, 1, 1, 50);
    *text = QString::number(*numberOut);
}

void CommandLine::readScan()
{
    chosen = Mode::Scan;
    refuseOptionsOf({address, report, html, serial, operatorName, log, station, db, noHistory,
                     broadcastAll, since, until, outcome});
    Scan &s = scanOptions;
    s.allPorts = parser.isSet(allPorts);
    if (s.allPorts && parser.isSet(port))
        fail(QStringLiteral("--port and --all-ports do not go together."));
    readPort(&s.port, &s.portText);
    s.first = number(first, 1, 1, 247);
    s.last = number(last, 247, 1, 247);
    s.timeoutMs = number(timeout, 100, 1, int(line::Scan::LongestTimeout.count()));
    if (s.timeoutMs < line::Scan::ShortestTimeout.count())
        fail(QStringLiteral("--timeout must be at least %1 ms: %2.")
                 .arg(line::Scan::ShortestTimeout.count())
                 .arg(QString::fromLatin1(line::Scan::ShortestTimeoutReason)));
    if (s.first > s.last)
        fail(QStringLiteral("--first must not be above --last."));
}

void CommandLine::readSelfTest()
{
    chosen = Mode::SelfTest;
    refuseOptionsOf({allPorts, first, last, timeout, log, since, until, outcome});
    SelfTest &t = selfTestOptions;
    readPort(&t.port, &t.portText);
    t.address = number(address, 1, 1, 247);
    t.jsonReport = parser.value(report);
    t.htmlReport = parser.value(html);
    t.serial = parser.value(serial);
    t.operatorName = parser.value(operatorName);
    t.station = parser.value(station);
    t.keep = !parser.isSet(noHistory);
    t.broadcastAll = parser.isSet(broadcastAll);
    if (!t.keep && parser.isSet(db))
        fail(QStringLiteral("--db and --no-history do not go together."));
    t.db = readDb();
}

void CommandLine::readHistory(Mode mode)
{
    chosen = mode;
    refuseOptionsOf({port, allPorts, first, last, timeout, log, address, report, html, noHistory,
                     broadcastAll});
    if (mode == Mode::Sync)
        refuseOptionsOf({serial, operatorName, station, since, until, outcome});
    RunFilter &f = historyOptions.filter;
    f.serial = parser.value(serial);
    f.operatorName = parser.value(operatorName);
    f.station = parser.value(station);
    f.since = readDate(since);
    f.until = readDate(until);
    if (f.since && f.until && *f.since > *f.until)
        fail(QStringLiteral("--since must not be after --until."));
    if (parser.isSet(outcome)) {
        f.outcome = line::outcomeNamed(parser.value(outcome).toStdString());
        if (!f.outcome)
            fail(QStringLiteral("--outcome takes pass, fail, error or aborted."));
    }
    historyOptions.db = readDb();
}

// Checked here so that a mistake is a usage error. A password on the command line has already
// shown in the process list; refused, it at least stays out of the next run's.
QString CommandLine::readDb()
{
    const QString text = parser.value(db);
    QString why;
    if (!parser.isSet(db))
        return text;
    if (const auto server = ServerUrl::parse(text, &why); !server)
        fail(QStringLiteral("--db: %1").arg(why));
    else if (!server->password.isEmpty())
        fail(QStringLiteral("--db: a password in the URL shows in the process list and in the "
                            "shell's history; give it in ~/.pgpass, or in the file PGPASSFILE "
                            "names."));
    return text;
}

std::optional<QDate> CommandLine::readDate(const QCommandLineOption &option)
{
    if (!parser.isSet(option))
        return std::nullopt;
    const QString text = parser.value(option);
    const QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid()) {
        fail(QStringLiteral("--%1 takes a day as YYYY-MM-DD, not %2.")
                 .arg(option.names().constFirst(), text));
        return std::nullopt;
    }
    return day;
}
