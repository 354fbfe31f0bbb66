#include "CommandLineHelp.h"

#include "ExitStatus.h"
#include "HistoryLimits.h"
#include "HistorySettings.h"

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
All row does, and every module on the line obeys. With --fixture it tests
the digital and analog inputs as well, through the loopback fixture's wires
from the relays back to the inputs; without one its verdict says they were
not tested. A fixture file it refuses is named with its line and reason, and
nothing is sent. Every run is kept in the
test history, whatever its outcome, unless --no-history is given.

--self-test --port 1,2,3,4 --serial A,B,C,D tests a module on each port at
once, each on a line of its own; --address and --fixture apply to all. A
port that cannot be opened, or is lost, ends its own slot as ERROR. A line
for each slot as it ends ("COM 3  C  FAIL  input 2 does not follow relay
2 ..."), then a summary; --report and --html name folders, with a file for
each slot named after its serial number and time. Each run is kept in the
history with its slot.

--history prints the kept runs as CSV (started, serial, operator, station,
outcome, failed, id, slot: the port of the station slot a run was tested
in), newest first; --yield prints the yield per day of the same runs;
--sync uploads the runs that wait for the history server, and says why it
stopped.

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

} // namespace

QString helpOpening(CommandLine::Program program)
{
    const char *opening = program == CommandLine::Program::Tester ? TesterOpening : ConsoleOpening;
    return QString::fromLatin1(opening) + QString::fromLatin1(Description);
}

// Where the history is, and how to reach a server without showing its password.
QString historyHelp()
{
    return QStringLiteral(R"(
History:
  The runs are kept in %1
  (the window and rzm530-cli share it). With a history server, given by
  --db or in the history window's settings, each run goes up to it as well:
  the window's in the background, --self-test's own runs alone, waited for
  at most %2 s after the last verdict. A run the server cannot take waits in that file
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

// Every exit status of the program, and what it means; its manual page shows the same list.
QString exitStatusHelp(CommandLine::Program program)
{
    const bool tester = program == CommandLine::Program::Tester;
    const auto s = [](std::chrono::seconds limit) { return QString::number(limit.count()); };
    const std::pair<int, QString> meanings[] = {
        {exitStatus::Done,
         QString(tester ? "The window was closed, or ended by Ctrl+C, SIGTERM or SIGHUP; " : "") +
             "--scan found a module; --self-test ended in PASS (on several ports: every slot "
             "did); --history or --yield printed the runs; --sync left no run waiting."},
        {exitStatus::Fail, "--scan scanned every port and no module answered; --self-test ended "
                           "in FAIL (on several ports: a slot did, and none ended in ERROR)."},
        {exitStatus::Error,
         QString("A mistake on the command line") + (tester ? "" : ", or no mode asked for") +
             ", told on standard error" + (tester ? "; the file of --log cannot be written" : "") +
             "; --scan found no module and a port could not be opened or was lost; --self-test "
             "(on several ports: any slot) ended in ERROR (no port, the port lost, no module "
             "answering, a Modbus TCP server "
             "where RTU over TCP was meant, a report that cannot be written, a fixture file "
             "refused), or neither the local file nor the history server took its run; --history "
             "or --yield cannot open "
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
         "(after every relay was switched off, each slot's run kept as ABORTED)."},
    };
    QString text = QStringLiteral("\nExit status:\n");
    for (const auto &[code, meaning] : meanings)
        text += exitStatusLine(code, meaning);
    return text;
}
