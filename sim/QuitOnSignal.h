#pragma once

#include "UniqueFd.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Turns SIGINT and SIGTERM into a clean quit of the event loop, so that
// destructors run and the published link is removed.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject *parent = nullptr);

private:
    static void handler(int);
    static int writeEnd;
    UniqueFd readEnd, writeEndFd;
    std::unique_ptr<QSocketNotifier> notifier;
};
