#pragma once

#include "Version.h"

#include <QString>
#include <QtPlugin>

#include <functional>
#include <memory>

class CommandLine;
class LineSession;
class QAction;
class QWidget;

// The tester's tools, its test history and its modes without the main window live in a module
// of their own (tools/), loaded the first time one of them is asked for, so that the window
// starts with what it shows: none of the tools' code, no Qt SQL.

// What the tools ask of the main window.
struct ToolHost {
    LineSession &session;
    QWidget &window;              // the tools' dialogs stand over it
    std::function<int()> address; // the Address field's value
    // The finder's last word: its port opened again, or left closed with `port` chosen; or a
    // module chosen, as if the user had typed its port and address.
    std::function<void(int port, bool reopen)> restorePort;
    std::function<void(int port, int address)> useModule;
    QAction &findModule, &selfTest; // the monitor's tool bar offers them too
};

class Tools {
public:
    virtual ~Tools() = default;
    virtual void showMonitor() = 0;
    virtual void showTrend() = 0;
    virtual void showFindModule() = 0;
    virtual void showSelfTest() = 0;
    virtual void showPorts() = 0;
    virtual void showHistory() = 0;
    virtual void showStation() = 0;
    // Runs an earlier session could not upload go up, in the background.
    virtual void syncHistory() = 0;
    // The main window closes, and the tools' windows with it; a station still testing stays
    // until its slots have stopped.
    virtual void closeWindows() = 0;
    // Ctrl+C, SIGTERM or SIGHUP: whatever still tests stops as closing it would, then `quit`.
    virtual void stopThenQuit(std::function<void()> quit) = 0;
};

class ToolsFactory {
public:
    virtual ~ToolsFactory() = default;
    virtual std::unique_ptr<Tools> makeTools(const ToolHost &host) = 0;
    // rzm530-tester's modes without a window, on the QCoreApplication made for them.
    virtual int runConsole(const CommandLine &commandLine) = 0;
    // --station FILE: the station window alone, on the QApplication made for it.
    virtual int runStation(const QString &path) = 0;
};

// The module and the program pass each other the session and the command line as they are laid
// out in the build that made them both, so the two must come from one build: the build tree
// makes the module with the program, and one package installs both. The IID carries the
// version, so that a module left from another version is refused by the loader instead of
// called; unlike RTU over TCP's interface, this one reaches too much of the program to be
// numbered by hand.
#define ToolsFactory_iid "org.example.rzm530.ToolsFactory/" RZM_VERSION_STRING
Q_DECLARE_INTERFACE(ToolsFactory, ToolsFactory_iid)

namespace ToolsModule {

// The tools, from the module, loaded now if they are not yet, or linked into the program (the
// tests); null, with the reason in words, when the module is missing or will not load.
ToolsFactory *load(QString *error);

} // namespace ToolsModule
