// rzm530-sim: simulated RZM-530 modules on a pseudo-terminal line, a TCP port, or both.
#include "Console.h"
#include "FaultTable.h"
#include "FixtureWiring.h"
#include "LineBridge.h"
#include "Options.h"
#include "QuitOnSignal.h"
#include "SimWindow.h"
#include "SimulatedModule.h"
#include "TesterFont.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// No display is needed without a window, nor to print the help or the faults.
bool wantsWindow(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"--headless", "--help", "-h", "--list-faults"})
            if (std::strcmp(argv[i], option) == 0)
                return false;
    return true;
}

void applyStartValues(SimulatedModule &module, const Options &options)
{
    const auto count = [](const auto &values, int most) {
        return std::min<qsizetype>(values.size(), most);
    };
    for (qsizetype i = 0; i < count(options.analog, SimulatedModule::AnalogInputs); ++i)
        module.setAnalog(int(i), options.analog[i]);
    for (qsizetype i = 0; i < count(options.inputs, SimulatedModule::DigitalInputs); ++i)
        module.setDigital(int(i), options.inputs[i] != 0);
    for (qsizetype i = 0; i < count(options.relays, SimulatedModule::Relays); ++i)
        module.setRelay(int(i), options.relays[i] == QLatin1Char('1'));
}

} // namespace

int main(int argc, char *argv[])
{
    const bool windowed = wantsWindow(argc, argv);
    std::unique_ptr<QCoreApplication> app;
    if (windowed)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rzm530-sim"));
    if (windowed)
        QApplication::setFont(testerFont());

    Options options;
    QString error;
    if (!parseOptions(*app, &options, &error)) {
        Console::say(QStringLiteral("error: %1").arg(error));
        return 2;
    }
    if (options.listFaults) {
        Console::say(faultTableMarkdown());
        return 0;
    }

    std::unique_ptr<QTemporaryDir> scratch; // only when no folder was named
    QString dir = options.dir;
    if (dir.isEmpty())
        dir = qEnvironmentVariable("RZM530_COM_DIR");
    if (dir.isEmpty() && options.pty) {
        scratch = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                  QStringLiteral("/rzm530-sim-XXXXXX"));
        dir = scratch->path();
    }

    QuitOnSignal quitOnSignal;
    Modules modules;
    QList<const Faults *> faults;
    for (qsizetype i = 0; i < options.addresses.size(); ++i) {
        modules.push_back(std::make_unique<SimulatedModule>());
        faults.append(&modules.back()->faults);
    }
    LineBridge line; // reads the modules' faults, so it is made after them and goes first
    const bool lineUp =
        line.open(faults, &error) && (!options.pty || line.publish(dir, options.com, &error)) &&
        (options.tcpPort < 0 ||
         line.serveTcp(QHostAddress(options.tcpHost), quint16(options.tcpPort), &error));
    if (!lineUp) {
        Console::say(QStringLiteral("error: %1").arg(error));
        return 1;
    }
    for (std::size_t i = 0; i < modules.size(); ++i) {
        SimulatedModule &module = *modules[i];
        if (!module.start(line.serverDevice(int(i)), options.addresses[qsizetype(i)], &error)) {
            Console::say(QStringLiteral("error: %1").arg(error));
            return 1;
        }
        applyStartValues(module, options);
    }
    modules.front()->faults = options.firstModuleFaults;
    if (options.paced)
        line.pace();
    std::vector<std::unique_ptr<FixtureWiring>> wiring; // after the faults, which it sees at once
    if (options.fixture)
        for (const auto &module : modules)
            wiring.push_back(std::make_unique<FixtureWiring>(*module, *options.fixture));

    Console console(modules, line);
    std::unique_ptr<SimWindow> window;
    if (options.headless) {
        console.readStandardInput();
    } else {
        window = std::make_unique<SimWindow>(modules, line, options.com);
        // Beside the tester, which opens in the middle of the screen.
        if (const QScreen *screen = window->screen())
            window->move(screen->availableGeometry().topLeft() + QPoint(20, 20));
        window->show();
    }
    // The places the tester can reach the line, e.g. "ready /tmp/line/COM1 tcp://127.0.0.1:4001".
    const QStringList places{line.publishedLink(), line.tcpAddress()};
    Console::say(QStringLiteral("ready ") + places.filter(QRegularExpression(".")).join(' '));
    return app->exec();
}
