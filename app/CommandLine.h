#pragma once

#include <QCommandLineParser>
#include <QStringList>

// What the tester is asked to do on its command line. Without arguments it
// opens its window, as it always has.
class CommandLine {
public:
    enum class Mode { Window, Help, Version, Error };

    explicit CommandLine(const QStringList &arguments);
    CommandLine(const CommandLine &) = delete;
    CommandLine &operator=(const CommandLine &) = delete;

    Mode mode() const { return chosen; }
    // Modes that need no display, so no QApplication either.
    bool console() const { return chosen != Mode::Window; }
    QString helpText() const;
    // --log FILE, empty when not asked for.
    QString logFile() const { return parser.value(log); }
    QString errorText() const { return error; }
    // Options of the windowing system ("-platform offscreen") that only
    // QApplication understands, which the tester leaves to it.
    bool leftToQt() const { return deferred; }

private:
    QCommandLineParser parser;
    QCommandLineOption help, version, log;
    Mode chosen = Mode::Window;
    QString error;
    bool deferred = false;
};
