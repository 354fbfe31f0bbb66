#include "QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#else
#include <QMetaObject>
#include <windows.h>
#endif

namespace {

QuitOnSignal *listener = nullptr;

#ifdef Q_OS_UNIX
// SIGHUP: the terminal or the ssh session that started the program went away; nobody is left
// to press Ctrl+C, and the default would kill it with relays on.
constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

// A signal handler may only write to a pipe; the event loop reads it.
int pipeEnds[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(pipeEnds[1], &c, 1);
}
#else
// Windows calls this on a thread of its own.
BOOL WINAPI onConsoleEvent(DWORD)
{
    if (listener)
        QMetaObject::invokeMethod(listener, "deliver", Qt::QueuedConnection);
    return TRUE;
}
#endif

} // namespace

QuitOnSignal::QuitOnSignal(bool quitAtOnce, QObject *parent)
    : QObject(parent), quitAtOnce(quitAtOnce)
{
    listener = this;
#ifdef Q_OS_UNIX
    if (pipeEnds[0] < 0 && ::pipe(pipeEnds) != 0)
        return;
    ::fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
    notifier = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, [this] {
        char c;
        [[maybe_unused]] auto n = ::read(pipeEnds[0], &c, 1);
        deliver();
    });
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : Signals)
        sigaction(s, &action, nullptr);
#else
    SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
#endif
}

QuitOnSignal::~QuitOnSignal()
{
#ifdef Q_OS_UNIX
    for (int s : Signals)
        std::signal(s, SIG_DFL);
#else
    SetConsoleCtrlHandler(&onConsoleEvent, FALSE);
#endif
    listener = nullptr;
}

void QuitOnSignal::deliver()
{
    emit interrupted();
    if (quitAtOnce)
        QCoreApplication::quit();
}
