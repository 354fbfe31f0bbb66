#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns Ctrl+C, SIGTERM and SIGHUP into a clean quit of the event loop, so that
// destructors run: ports close, logs are written to the end, links go away.
// Whoever listens to interrupted() may end its work first and quit itself.
// A SIGHUP the user chose to ignore (nohup) stays ignored; the actions found are
// put back on destruction. SIGPIPE is ignored from then on: a dropped ssh link
// would otherwise kill the program on its next write to the console.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    // quitAtOnce: quit the event loop as soon as the signal comes.
    explicit QuitOnSignal(bool quitAtOnce = true, QObject *parent = nullptr);
    ~QuitOnSignal() override;

    // Whether interrupted() came for the terminal or ssh session going away, which
    // often sends it twice: no reason to stop at once, unlike a second Ctrl+C.
    static bool isHangUp(int signal);

signals:
    void interrupted(int signal);

private:
    Q_INVOKABLE void deliver(int signal);

    struct Saved;
    bool quitAtOnce;
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<Saved> saved;
};
