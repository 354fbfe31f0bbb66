#pragma once

#include "HistoryDb.h"

#include <QCommandLineParser>
#include <QStringList>

#include <memory>
#include <vector>

// What the tester is asked to do on its command line. Without arguments it
// opens its window, as it always has.
class CommandLine {
public:
    enum class Mode { Window, Help, Version, Scan, SelfTest, History, Yield, Sync, Error };
    // Whose command line it is, for the help: rzm530-tester's or rzm530-cli's.
    enum class Program { Tester, Console };

    // --port: a COM number, or a serial device server written out. `port` is
    // the number (0 for a server); `portText` is either as text, for
    // PortComm::setPort and PortMap::resolve.
    struct Scan {
        int port = 1;
        QString portText = QStringLiteral("1");
        bool allPorts = false;
        int first = 1, last = 247;
        int timeoutMs = 100;
    };
    struct SelfTest {
        int port = 1, address = 1;
        QString portText = QStringLiteral("1");
        QString jsonReport, htmlReport, serial, operatorName;
        QString station; // empty: the history settings' station
        QString db;      // empty: the history settings' server, if any
        bool keep = true;
        bool broadcastAll = false;
        QString fixture; // the loopback fixture's file; empty: none, the inputs are not tested
        // With several ports (--port 1,2,tcp://HOST:PORT), a slot each, in the list's order,
        // each with its serial number from --serial's list; then --report and --html name
        // folders. Empty with one port, which `port`, `portText` and `serial` hold.
        struct Slot {
            int port = 0; // 0 for a server
            QString portText, serial;
        };
        std::vector<Slot> stationSlots;
    };
    // --history, --yield and --sync: which runs, and which database (empty: the history
    // settings' server, else the local file).
    struct History {
        RunFilter filter;
        QString db;
    };

    explicit CommandLine(const QStringList &arguments, Program program = Program::Tester);
    // The same, from main's arguments as they came.
    CommandLine(int argc, char *argv[], Program program);
    CommandLine(const CommandLine &) = delete;
    CommandLine &operator=(const CommandLine &) = delete;

    Mode mode() const { return chosen; }
    // Modes that need no display, so no QApplication either.
    bool console() const { return chosen != Mode::Window; }
    QString helpText() const;
    // What a program started without one may be asked to do: "--scan, ..., --help or --version".
    static QString choices();
    QString errorText() const { return error; }
    // --log FILE, empty when not asked for.
    QString logFile() const { return value(Option::Log); }
    // --station FILE for rzm530-tester without a mode: the station window instead of the main
    // one. Empty when not asked for.
    QString stationFile() const { return stationPath; }
    const Scan &scan() const { return scanOptions; }
    const SelfTest &selfTest() const { return selfTestOptions; }
    const History &history() const { return historyOptions; }

    // Each option of either program; the table in CommandLine.cpp says, once for each, what it
    // takes, which mode it chooses or belongs with, and its help.
    enum class Option {
        Help,
        Version,
        Log,
        Scan,
        Port,
        AllPorts,
        First,
        Last,
        Timeout,
        SelfTest,
        Address,
        Report,
        Html,
        Serial,
        Operator,
        Station,
        Db,
        NoHistory,
        BroadcastAll,
        Fixture,
        History,
        Yield,
        Sync,
        Since,
        Until,
        Outcome,
    };

private:
    void readWindow();
    void readScan();
    void readSelfTest();
    void readHistory(Mode mode);
    QString readDb();
    std::optional<QDate> readDate(Option option);
    void refuseOptionsOutside(Mode mode);
    int number(Option option, int fallback, int lowest, int highest);
    int numberFrom(Option option, const QString &text, int fallback, int lowest, int highest);
    void readPort(int *number, QString *text);
    bool portFrom(const QString &given, int *number, QString *text, QString *name = nullptr);
    void readStation();
    void fail(const QString &text);
    static QString optionName(Option option); // "--port"
    bool isSet(Option option) const;
    QString value(Option option) const;

    // None without arguments, which is how the window program is started nearly always: none of
    // the parser's code is paged in then (docs/measurements.md, "Footprint").
    std::unique_ptr<QCommandLineParser> parser;
    Program whose;
    Mode chosen = Mode::Window;
    QString error;
    QString stationPath;
    Scan scanOptions;
    SelfTest selfTestOptions;
    History historyOptions;
};
