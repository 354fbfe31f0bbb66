#include "CommandLine.h"

#include "CommandLineHelp.h"
#include "Scan.h"
#include "SelfTestResult.h"
#include "SlotPort.h"
#include "ServerUrl.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace {

using Mode = CommandLine::Mode;
using Option = CommandLine::Option;
using Program = CommandLine::Program;

// The modes an option belongs with, one bit each.
using Modes = unsigned;
constexpr Modes in(Mode mode)
{
    return 1u << unsigned(mode);
}
constexpr Modes InWindow = in(Mode::Window), InScan = in(Mode::Scan),
                InSelfTest = in(Mode::SelfTest), InHistory = in(Mode::History),
                InYield = in(Mode::Yield), InSync = in(Mode::Sync);

// An option either chooses a mode or belongs with some: given in any other, it is refused
// rather than silently ignored.
struct OptionRow {
    Option option;
    const char *shortName; // or none
    const char *name;
    const char *valueName; // none: a flag
    std::optional<Mode> chooses;
    Modes belongsWith;
    const char *help;
};

constexpr std::optional<Mode> NoMode;

// In the order --help lists them, which is also the order their mistakes are told in.
// Option, short name, name, value, the mode it chooses, the modes it belongs with, help.
constexpr OptionRow Options[] = {
    {Option::Help, "h", "help", nullptr, Mode::Help, 0, "Shows this help and exits."},
    {Option::Version, "v", "version", nullptr, Mode::Version, 0, "Shows the version and exits."},
    {Option::Log, nullptr, "log", "FILE", NoMode, InWindow,
     "Writes every transaction on the line to FILE as CSV while the window runs, a row as each "
     "one ends; appends when FILE exists."},
    {Option::Scan, nullptr, "scan", nullptr, Mode::Scan, 0, "Finds modules, without a window."},
    {Option::Port, nullptr, "port", "N", NoMode, InScan | InSelfTest,
     "The COM port to scan or test (default 1), or tcp://HOST:PORT; for --self-test also a "
     "list, 1,2,tcp://HOST:PORT, to test a module on each at once."},
    {Option::AllPorts, nullptr, "all-ports", nullptr, NoMode, InScan,
     "Scans every COM port present."},
    {Option::First, nullptr, "first", "A", NoMode, InScan,
     "The first address to scan (default 1)."},
    {Option::Last, nullptr, "last", "B", NoMode, InScan, "The last address to scan (default 247)."},
    {Option::Timeout, nullptr, "timeout", "MS", NoMode, InScan,
     "How long to wait for each reply when scanning (default 100)."},
    {Option::SelfTest, nullptr, "self-test", nullptr, Mode::SelfTest, 0,
     "Tests one module, or one on each --port at once, without a window: the link and relay "
     "steps, and the inputs on a fixture."},
    {Option::Address, nullptr, "address", "A", NoMode, InSelfTest,
     "The module's address for --self-test (default 1)."},
    {Option::Report, nullptr, "report", "FILE.json", NoMode, InSelfTest,
     "Writes the self-test report as JSON to FILE; with several ports, FILE is a folder that "
     "gets one per module."},
    {Option::Html, nullptr, "html", "FILE.html", NoMode, InSelfTest,
     "Writes the self-test report as HTML to FILE; with several ports, FILE is a folder that "
     "gets one per module."},
    {Option::Serial, nullptr, "serial", "TEXT", NoMode, InSelfTest | InHistory | InYield,
     "The module's serial number, for the report; with several ports, one for each, in "
     "--port's order."},
    {Option::Operator, nullptr, "operator", "TEXT", NoMode, InSelfTest | InHistory | InYield,
     "Who runs the test, for the report."},
    {Option::Station, nullptr, "station", "NAME", NoMode,
     InSelfTest | InHistory | InYield | InWindow,
     "This test station's name for the history (default: the history settings' name, else the "
     "host name)."},
    {Option::Db, nullptr, "db", "URL", NoMode, InSelfTest | InHistory | InYield | InSync,
     "The history server for this run: postgresql://USER@HOST[:PORT]/DBNAME."},
    {Option::NoHistory, nullptr, "no-history", nullptr, NoMode, InSelfTest,
     "Keeps no record of this self-test in the history."},
    {Option::BroadcastAll, nullptr, "broadcast-all", nullptr, NoMode, InSelfTest,
     "Also switches all relays by broadcast in --self-test: every module on the line obeys."},
    {Option::Fixture, nullptr, "fixture", "FILE", NoMode, InSelfTest,
     "Tests the inputs too, on the loopback fixture that FILE describes."},
    {Option::History, nullptr, "history", nullptr, Mode::History, 0,
     "Prints the kept runs as CSV, newest first."},
    {Option::Yield, nullptr, "yield", nullptr, Mode::Yield, 0,
     "Prints the yield per day of the kept runs as CSV."},
    {Option::Sync, nullptr, "sync", nullptr, Mode::Sync, 0,
     "Uploads the runs that wait for the history server."},
    {Option::Since, nullptr, "since", "YYYY-MM-DD", NoMode, InHistory | InYield,
     "Only runs on or after this local day."},
    {Option::Until, nullptr, "until", "YYYY-MM-DD", NoMode, InHistory | InYield,
     "Only runs on or before this local day."},
    {Option::Outcome, nullptr, "outcome", "pass|fail|error|aborted", NoMode, InHistory | InYield,
     "Only runs with this outcome."},
};

// Options[] is indexed by Option.
constexpr bool inOptionOrder()
{
    for (std::size_t i = 0; i < std::size(Options); ++i)
        if (Options[i].option != Option(i))
            return false;
    return true;
}
static_assert(inOptionOrder() && std::size(Options) == std::size_t(Option::Outcome) + 1);

const OptionRow &rowOf(Option option)
{
    return Options[std::size_t(option)];
}

QString longName(const OptionRow &row)
{
    return QStringLiteral("--") + QString::fromLatin1(row.name);
}

// Modes that do a job, as opposed to --help and --version.
bool isWork(Mode mode)
{
    return mode != Mode::Help && mode != Mode::Version;
}

// "a", "a or b", "a, b or c".
QString listed(const QStringList &items, const QString &conjunction)
{
    if (items.size() < 2)
        return items.join(QString());
    return QStringList(items.mid(0, items.size() - 1)).join(QStringLiteral(", ")) +
           QLatin1Char(' ') + conjunction + QLatin1Char(' ') + items.back();
}

// The options that choose a mode doing a job, in the table's order.
QStringList workModeOptions()
{
    QStringList names;
    for (const OptionRow &row : Options)
        if (row.chooses && isWork(*row.chooses))
            names << longName(row);
    return names;
}

// Where an option belongs, in words.
QString whereBelongs(const OptionRow &row)
{
    // The window's one option of its own; its wording has always named these two modes.
    if (row.belongsWith == InWindow)
        return QStringLiteral("the window, not with --scan or --self-test");
    QStringList modes;
    for (const OptionRow &chooser : Options)
        if (chooser.chooses && (row.belongsWith & in(*chooser.chooses)))
            modes << longName(chooser);
    return listed(modes, QStringLiteral("or"));
}

bool singleDash(const QString &argument)
{
    return argument.startsWith(QLatin1Char('-')) && !argument.startsWith(QLatin1String("--"));
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

// Every option of the program's, with its help.
std::unique_ptr<QCommandLineParser> parserFor(Program program)
{
    auto parser = std::make_unique<QCommandLineParser>();
    parser->setApplicationDescription(helpOpening(program));
    parser->setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionRow &row : Options) {
        QStringList names{QString::fromLatin1(row.name)};
        if (row.shortName)
            names.prepend(QString::fromLatin1(row.shortName));
        QString help = QString::fromLatin1(row.help), valueName = QString::fromLatin1(row.valueName);
        // Alone, --station is the window's: rzm530-cli has none, and refuses it so.
        if (program == Program::Tester && row.option == Option::Station) {
            help[0] = help[0].toLower();
            help = QStringLiteral("With --self-test, --history or --yield: ") + help +
                   QStringLiteral(" Alone: a station file, whose slots the station window "
                                  "tests at once, in place of the main window.");
            valueName = QStringLiteral("NAME|FILE");
        }
        QCommandLineOption option(names, help, valueName);
        // The window's own options are no concern of the console program's help.
        if (program == Program::Console && row.belongsWith == InWindow)
            option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser->addOption(option);
    }
    return parser;
}

} // namespace

CommandLine::CommandLine(int argc, char *argv[], Program program)
    : CommandLine(argumentList(argc, argv), program)
{
}

CommandLine::CommandLine(const QStringList &arguments, Program program) : whose(program)
{
    if (arguments.size() <= 1) // nothing asked; see `parser`
        return;
    parser = parserFor(program);
    if (!parser->parse(arguments)) {
        // QApplication takes its own options ("-platform offscreen") out of the
        // list before the tester reads it again; anything else is a mistake.
        const QStringList given = arguments.mid(1);
        const bool leftToQt = std::all_of(given.begin(), given.end(), [](const QString &a) {
            return !a.startsWith(QLatin1Char('-')) || singleDash(a);
        });
        chosen = leftToQt ? Mode::Window : Mode::Error;
        error = parser->errorText();
        return;
    }
    std::vector<Mode> work;
    for (const OptionRow &row : Options)
        if (row.chooses && isWork(*row.chooses) && isSet(row.option))
            work.push_back(*row.chooses);
    if (isSet(Option::Help))
        chosen = Mode::Help;
    else if (isSet(Option::Version))
        chosen = Mode::Version;
    else if (!parser->positionalArguments().isEmpty())
        fail(QStringLiteral("Unexpected argument: %1").arg(parser->positionalArguments().front()));
    else if (work.size() > 1)
        fail(QStringLiteral("Choose one of %1.")
                 .arg(listed(workModeOptions(), QStringLiteral("and"))));
    else if (work.empty())
        readWindow();
    else if (work.front() == Mode::Scan)
        readScan();
    else if (work.front() == Mode::SelfTest)
        readSelfTest();
    else
        readHistory(work.front());
}

QString CommandLine::choices()
{
    QStringList names = workModeOptions();
    for (const OptionRow &row : Options)
        if (row.chooses && !isWork(*row.chooses))
            names << longName(row);
    return listed(names, QStringLiteral("or"));
}

QString CommandLine::optionName(Option option)
{
    return longName(rowOf(option));
}

bool CommandLine::isSet(Option option) const
{
    return parser && parser->isSet(QString::fromLatin1(rowOf(option).name));
}

QString CommandLine::value(Option option) const
{
    return parser ? parser->value(QString::fromLatin1(rowOf(option).name)) : QString();
}

// An option of another mode would be silently ignored: say so instead.
void CommandLine::refuseOptionsOutside(Mode mode)
{
    for (const OptionRow &row : Options)
        if (!row.chooses && !(row.belongsWith & in(mode)) && isSet(row.option))
            fail(QStringLiteral("%1 belongs with %2.").arg(longName(row), whereBelongs(row)));
}

QString CommandLine::helpText() const
{
    const QString options = parser ? parser->helpText() : parserFor(whose)->helpText();
    return options + historyHelp() + exitStatusHelp(whose);
}

void CommandLine::fail(const QString &text)
{
    if (chosen == Mode::Error)
        return; // the first mistake is the one to tell
    chosen = Mode::Error;
    error = text;
}

int CommandLine::number(Option option, int fallback, int lowest, int highest)
{
    if (!isSet(option))
        return fallback;
    return numberFrom(option, value(option), fallback, lowest, highest);
}

int CommandLine::numberFrom(Option option, const QString &text, int fallback, int lowest,
                            int highest)
{
    bool ok = false;
    const int given = text.toInt(&ok);
    if (!ok || given < lowest || given > highest) {
        fail(QStringLiteral("%1 takes a number from %2 to %3.")
                 .arg(longName(rowOf(option)))
                 .arg(lowest)
                 .arg(highest));
        return fallback;
    }
    return given;
}

// A COM number or a server written out, as --port gives one, and the name its slot would have
// ("COM 3"); false, refused, when it is neither.
bool CommandLine::portFrom(const QString &given, int *numberOut, QString *textOut,
                           QString *nameOut)
{
    std::string why;
    const SlotPort port = slotPort(given.toStdString(), &why);
    if (port.name.empty()) {
        fail(QStringLiteral("--port: %1.").arg(QString::fromStdString(why)));
        return false;
    }
    const QString name = QString::fromStdString(port.name);
    *numberOut = port.comNumber;
    *textOut = port.comNumber ? QString::number(port.comNumber) : name;
    if (nameOut)
        *nameOut = name;
    return true;
}

void CommandLine::readPort(int *numberOut, QString *text)
{
    if (isSet(Option::Port))
        portFrom(value(Option::Port), numberOut, text);
}

void CommandLine::readWindow()
{
    refuseOptionsOutside(Mode::Window);
    if (whose == Program::Tester)
        stationPath = value(Option::Station);
    else if (isSet(Option::Station))
        fail(QStringLiteral("--station belongs with --self-test, --history or --yield; the "
                            "station window is rzm530-tester's."));
    if (!stationPath.isEmpty() && isSet(Option::Log))
        fail(QStringLiteral("--log and --station do not go together: the station's slots have "
                            "lines of their own."));
}

void CommandLine::readScan()
{
    chosen = Mode::Scan;
    refuseOptionsOutside(chosen);
    Scan &s = scanOptions;
    s.allPorts = isSet(Option::AllPorts);
    if (s.allPorts && isSet(Option::Port))
        fail(QStringLiteral("--port and --all-ports do not go together."));
    readPort(&s.port, &s.portText);
    s.first = number(Option::First, s.first, 1, 247);
    s.last = number(Option::Last, s.last, 1, 247);
    s.timeoutMs =
        number(Option::Timeout, s.timeoutMs, 1, int(procedures::Scan::LongestTimeout.count()));
    if (s.timeoutMs < procedures::Scan::ShortestTimeout.count())
        fail(QStringLiteral("--timeout must be at least %1 ms: %2.")
                 .arg(procedures::Scan::ShortestTimeout.count())
                 .arg(QString::fromLatin1(procedures::Scan::ShortestTimeoutReason)));
    if (s.first > s.last)
        fail(QStringLiteral("--first must not be above --last."));
}

void CommandLine::readSelfTest()
{
    chosen = Mode::SelfTest;
    refuseOptionsOutside(chosen);
    SelfTest &t = selfTestOptions;
    if (value(Option::Port).contains(QLatin1Char(',')))
        readStation();
    else
        readPort(&t.port, &t.portText);
    t.address = number(Option::Address, t.address, 1, 247);
    t.jsonReport = value(Option::Report);
    t.htmlReport = value(Option::Html);
    t.serial = value(Option::Serial);
    t.operatorName = value(Option::Operator);
    t.station = value(Option::Station);
    t.keep = !isSet(Option::NoHistory);
    t.broadcastAll = isSet(Option::BroadcastAll);
    t.fixture = value(Option::Fixture);
    if (!t.keep && isSet(Option::Db))
        fail(QStringLiteral("--db and --no-history do not go together."));
    t.db = readDb();
}

void CommandLine::readHistory(Mode mode)
{
    chosen = mode;
    refuseOptionsOutside(chosen);
    RunFilter &f = historyOptions.filter;
    f.serial = value(Option::Serial);
    f.operatorName = value(Option::Operator);
    f.station = value(Option::Station);
    f.since = readDate(Option::Since);
    f.until = readDate(Option::Until);
    if (f.since && f.until && *f.since > *f.until)
        fail(QStringLiteral("--since must not be after --until."));
    if (isSet(Option::Outcome)) {
        f.outcome = procedures::outcomeNamed(value(Option::Outcome).toStdString());
        if (!f.outcome)
            fail(QStringLiteral("--outcome takes pass, fail, error or aborted."));
    }
    historyOptions.db = readDb();
}

// Checked here so that a mistake is a usage error. A password on the command line has already
// shown in the process list; refused, it at least stays out of the next run's.
QString CommandLine::readDb()
{
    const QString text = value(Option::Db);
    QString why;
    if (!isSet(Option::Db))
        return text;
    if (const auto server = ServerUrl::parse(text, &why); !server)
        fail(QStringLiteral("--db: %1").arg(why));
    else if (!server->password.isEmpty())
        fail(QStringLiteral("--db: a password in the URL shows in the process list and in the "
                            "shell's history; give it in ~/.pgpass, or in the file PGPASSFILE "
                            "names."));
    return text;
}

std::optional<QDate> CommandLine::readDate(Option option)
{
    if (!isSet(option))
        return std::nullopt;
    const QString text = value(option);
    const QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid()) {
        fail(QStringLiteral("%1 takes a day as YYYY-MM-DD, not %2.")
                 .arg(longName(rowOf(option)), text));
        return std::nullopt;
    }
    return day;
}
