#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

// How the window program ends on Ctrl+C, SIGTERM or SIGHUP, as closing its windows would: every
// station window and self-test dialog still testing is closed, which switches its modules'
// relays off and keeps each run as ABORTED, and `quit` comes once the last of them has stopped.
// A second signal while they stop changes nothing for those: each is already switching off, and
// ending at once would leave relays on and runs unkept. A test started meanwhile is stopped too,
// before the program quits.
class StopThenQuit : public QObject {
    Q_OBJECT
public:
    explicit StopThenQuit(std::function<void()> quit, QObject *parent = nullptr);

    void stop();

private:
    void quitOnceStopped();

    std::function<void()> quit;
    bool quitting = false;
    std::vector<QPointer<QWidget>> closed; // each closed once: a second close is no new cancel
};
