// rzm530-sim: a simulated RZM-530 on a pseudo-terminal line.
#include "Console.h"
#include "LineBridge.h"
#include "QuitOnSignal.h"
#include "SimWindow.h"
#include "SimulatedModule.h"
#include "TesterFont.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

namespace {

const char *Description =
    "A simulated RZM-530 Modbus RTU I/O module: 8 relays (coils 0-7), 3 analog inputs\n"
    "(holding registers 4-6, 0-1023) and 4 digital inputs (holding registers 7-10).\n"
    "It answers Read Coils, Read Holding Registers, Write Single Coil and Write\n"
    "Multiple Coils at its address and obeys broadcasts without answering.\n"
    "\n"
    "It makes its own serial line, a pair of linked pseudo-terminals, and publishes\n"
    "the tester's end as <dir>/COM<n>. Start the tester with RZM530_COM_DIR=<dir>\n"
    "and COM Port n to reach it. The link is removed when the simulator exits.\n"
    "\n"
    "With --headless there is no window; commands on standard input change the\n"
    "inputs and faults: analog N V, input N 0|1, relay N 0|1, relays,\n"
    "fault none|late MS|silent|crc|exception|noise|cut-short|other-address [A],\n"
    "quit.";

QList<int> numbers(const QString &list)
{
    QList<int> out;
    for (const QString &item : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.append(item.trimmed().toInt());
    return out;
}

bool wantsHeadless(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--headless") == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool headless = wantsHeadless(argc, argv);
    std::unique_ptr<QCoreApplication> app;
    if (headless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rzm530-sim"));
    if (!headless)
        QApplication::setFont(testerFont());

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    parser.addHelpOption();
    const QCommandLineOption dirOption(
        "dir", "Where to publish the line (default: $RZM530_COM_DIR, else a new temporary folder).",
        "dir");
    const QCommandLineOption comOption("com", "The COM number to publish (default 1).", "n", "1");
    const QCommandLineOption addressOption("address", "The module's slave address (default 1).",
                                           "address", "1");
    const QCommandLineOption headlessOption("headless", "No window; commands on standard input.");
    const QCommandLineOption analogOption("analog", "Analog inputs 1-3, e.g. 1023,512,0.", "a,b,c");
    const QCommandLineOption inputsOption("inputs", "Digital inputs 1-4, e.g. 1,0,1,0.", "a,b,c,d");
    const QCommandLineOption relaysOption("relays", "Relays 1-8 at start, e.g. 10100001.", "bits");
    const QCommandLineOption lateOption("late", "Fault: hold every reply back this long.", "ms");
    const QCommandLineOption silentOption("silent", "Fault: answer nothing.");
    const QCommandLineOption crcOption("corrupt-crc", "Fault: spoil the CRC of every reply.");
    const QCommandLineOption exceptionOption("exception",
                                             "Fault: answer every request with an exception.");
    const QCommandLineOption noiseOption("noise", "Fault: junk bytes before every reply.");
    const QCommandLineOption otherAddressOption(
        "other-address", "Fault: answer from this slave address instead, with a good CRC.",
        "address");
    const QCommandLineOption cutShortOption("cut-short",
                                            "Fault: leave the last 3 bytes of every reply off.");
    parser.addOptions({dirOption, comOption, addressOption, headlessOption, analogOption,
                       inputsOption, relaysOption, lateOption, silentOption, crcOption,
                       exceptionOption, noiseOption, otherAddressOption, cutShortOption});
    parser.process(*app);

    const int com = parser.value(comOption).toInt();
    const int address = parser.value(addressOption).toInt();
    if (com < 1 || com > 50 || address < 1 || address > 247) {
        Console::say(QStringLiteral("error: --com takes 1 to 50, --address 1 to 247"));
        return 2;
    }
    const int otherAddress = parser.value(otherAddressOption).toInt();
    if (parser.isSet(otherAddressOption) && (otherAddress < 1 || otherAddress > 247)) {
        Console::say(QStringLiteral("error: --other-address takes 1 to 247"));
        return 2;
    }

    std::unique_ptr<QTemporaryDir> scratch; // only when no folder was named
    QString dir = parser.value(dirOption);
    if (dir.isEmpty())
        dir = qEnvironmentVariable("RZM530_COM_DIR");
    if (dir.isEmpty()) {
        scratch = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                  QStringLiteral("/rzm530-sim-XXXXXX"));
        dir = scratch->path();
    }

    QuitOnSignal quitOnSignal;
    LineBridge line;
    SimulatedModule module;
    QString error;
    if (!line.open(dir, com, &error) || !module.start(line.serverDevice(), address, &error)) {
        Console::say(QStringLiteral("error: %1").arg(error));
        return 1;
    }

    const QList<int> analog = numbers(parser.value(analogOption));
    for (qsizetype i = 0; i < std::min<qsizetype>(analog.size(), SimulatedModule::AnalogInputs);
         ++i)
        module.setAnalog(i, analog[i]);
    const QList<int> inputs = numbers(parser.value(inputsOption));
    for (qsizetype i = 0; i < std::min<qsizetype>(inputs.size(), SimulatedModule::DigitalInputs);
         ++i)
        module.setDigital(i, inputs[i] != 0);
    const QString relays = parser.value(relaysOption);
    for (qsizetype i = 0; i < std::min<qsizetype>(relays.size(), SimulatedModule::Relays); ++i)
        module.setRelay(i, relays[i] == QLatin1Char('1'));
    line.faults.lateMs = parser.value(lateOption).toInt();
    line.faults.silent = parser.isSet(silentOption);
    line.faults.corruptCrc = parser.isSet(crcOption);
    line.faults.noise = parser.isSet(noiseOption);
    line.faults.otherAddress = otherAddress;
    line.faults.cutShort = parser.isSet(cutShortOption);
    module.answerWithException = parser.isSet(exceptionOption);

    Console console(module, line);
    std::unique_ptr<SimWindow> window;
    if (headless) {
        console.readStandardInput();
    } else {
        window = std::make_unique<SimWindow>(module, line, com, address);
        // Beside the tester, which opens in the middle of the screen.
        if (const QScreen *screen = window->screen())
            window->move(screen->availableGeometry().topLeft() + QPoint(20, 20));
        window->show();
    }
    Console::say(QStringLiteral("ready %1").arg(line.publishedLink()));
    return app->exec();
}
