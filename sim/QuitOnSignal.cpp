#include "QuitOnSignal.h"

#include <QCoreApplication>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

int QuitOnSignal::writeEnd = -1;

QuitOnSignal::QuitOnSignal(QObject *parent) : QObject(parent)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    readEnd.reset(fds[0]);
    writeEndFd.reset(fds[1]);
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    writeEnd = fds[1];
    notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, [this] {
        char c;
        [[maybe_unused]] auto n = ::read(readEnd.get(), &c, 1);
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = &QuitOnSignal::handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void QuitOnSignal::handler(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(writeEnd, &c, 1);
}
