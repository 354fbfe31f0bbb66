#include "CommandLine.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

const char *Description =
    R"(Tests the RZM-530, a Modbus RTU I/O module with 8 relays, 4 digital inputs
and 3 analog inputs, on a serial line at 9600 baud, 8N1. Started without
options it opens its window: type the COM port number and the module's
address, switch the relays and watch the inputs.

COM numbers:
  Windows           COM n is COMn.
  Linux             COM n is the n-th serial device present: /dev/ttyS* (those
                    the system reports as real), then /dev/ttyUSB*, then
                    /dev/ttyACM*, each by number.
  RZM530_COM_DIR    when set, COM n is $RZM530_COM_DIR/COMn on any system: a
                    device, a pseudo-terminal or a symlink to one.)";

bool singleDash(const QString &argument)
{
    return argument.startsWith(QLatin1Char('-')) && !argument.startsWith(QLatin1String("--"));
}

} // namespace

CommandLine::CommandLine(const QStringList &arguments)
    : help(QStringList{"h", "help"}, QStringLiteral("Shows this help and exits.")),
      version(QStringList{"v", "version"}, QStringLiteral("Shows the version and exits.")),
      log(QStringLiteral("log"),
          QStringLiteral("Writes every transaction on the line to FILE as CSV while the window "
                         "runs, a row as each one ends; appends when FILE exists."),
          QStringLiteral("FILE"))
{
    parser.setApplicationDescription(QString::fromLatin1(Description));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(log);

    if (!parser.parse(arguments)) {
        // QApplication takes its own options out of the list before the
        // tester reads it again; anything else is a mistake.
        const QStringList raw = arguments.mid(1);
        deferred = std::all_of(raw.begin(), raw.end(), [&](const QString &a) {
            return !a.startsWith(QLatin1Char('-')) || singleDash(a);
        });
        chosen = Mode::Error;
        error = parser.errorText();
        if (deferred)
            chosen = Mode::Window;
        return;
    }
    if (parser.isSet(help))
        chosen = Mode::Help;
    else if (parser.isSet(version))
        chosen = Mode::Version;
    else if (!parser.positionalArguments().isEmpty()) {
        chosen = Mode::Error;
        error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().front());
    }
}

QString CommandLine::helpText() const
{
    return parser.helpText();
}
