#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns Ctrl+C, SIGTERM and SIGHUP into a clean quit of the event loop, so that
// destructors run: ports close, logs are written to the end, links go away.
// Whoever listens to interrupted() may end its work first and quit itself.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    // quitAtOnce: quit the event loop as soon as the signal comes.
    explicit QuitOnSignal(bool quitAtOnce = true, QObject *parent = nullptr);
    ~QuitOnSignal() override;

    // The exit code of a program ended by a signal.
    static constexpr int ExitCode = 130;

signals:
    void interrupted();

private:
    Q_INVOKABLE void deliver();

    bool quitAtOnce;
    std::unique_ptr<QSocketNotifier> notifier;
};
