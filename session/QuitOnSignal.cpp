#include "QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <array>
#include <csignal>

#ifdef Q_OS_UNIX
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
constexpr std::array<int, 3> Signals{SIGINT, SIGTERM, SIGHUP};

// A signal handler may only write to a pipe; the event loop reads it. The byte is the signal.
int pipeEnds[2] = {-1, -1};

void onSignal(int signal)
{
    const auto c = static_cast<unsigned char>(signal);
    [[maybe_unused]] auto n = ::write(pipeEnds[1], &c, 1);
}
#else
// Windows calls this on a thread of its own.
BOOL WINAPI onConsoleEvent(DWORD)
{
    if (listener)
        QMetaObject::invokeMethod(listener, "deliver", Qt::QueuedConnection, Q_ARG(int, SIGINT));
    return TRUE;
}
#endif

} // namespace

#ifdef Q_OS_UNIX
struct QuitOnSignal::Saved {
    std::array<struct sigaction, Signals.size()> actions{};
    std::array<bool, Signals.size()> taken{};
};
#else
struct QuitOnSignal::Saved {};
#endif

QuitOnSignal::QuitOnSignal(bool quitAtOnce, QObject *parent)
    : QObject(parent), quitAtOnce(quitAtOnce), saved(std::make_unique<Saved>())
{
    listener = this;
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN);
    if (pipeEnds[0] < 0 && ::pipe(pipeEnds) != 0)
        return;
    ::fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
    notifier = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char c = 0;
        if (::read(pipeEnds[0], &c, 1) == 1)
            deliver(c);
    });
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < Signals.size(); ++i) {
        struct sigaction &old = saved->actions[i];
        if (sigaction(Signals[i], nullptr, &old) != 0)
            continue;
        if (Signals[i] == SIGHUP && old.sa_handler == SIG_IGN) // nohup: run on without a terminal
            continue;
        saved->taken[i] = sigaction(Signals[i], &action, nullptr) == 0;
    }
#else
    SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
#endif
}

QuitOnSignal::~QuitOnSignal()
{
#ifdef Q_OS_UNIX
    for (std::size_t i = 0; i < Signals.size(); ++i)
        if (saved->taken[i])
            sigaction(Signals[i], &saved->actions[i], nullptr);
#else
    SetConsoleCtrlHandler(&onConsoleEvent, FALSE);
#endif
    listener = nullptr;
}

bool QuitOnSignal::isHangUp(int signal)
{
#ifdef Q_OS_UNIX
    return signal == SIGHUP;
#else
    Q_UNUSED(signal);
    return false;
#endif
}

void QuitOnSignal::deliver(int signal)
{
    emit interrupted(signal);
    if (quitAtOnce)
        QCoreApplication::quit();
}
