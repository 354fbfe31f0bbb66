#include "ServerWait.h"

#include "QuitOnSignal.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

std::atomic<bool> abandoned{false};

struct Progress {
    std::atomic<bool> done{false};
    std::atomic<std::chrono::steady_clock::rep> lastAlive{0};

    void alive() { lastAlive = std::chrono::steady_clock::now().time_since_epoch().count(); }
    std::chrono::steady_clock::duration quietFor() const
    {
        return std::chrono::steady_clock::now().time_since_epoch() -
               std::chrono::steady_clock::duration(lastAlive.load());
    }
};

} // namespace

ServerWaitEnd waitForServer(const std::function<void(const std::function<void()> &alive)> &work,
                            std::chrono::milliseconds quiet, QuitOnSignal &interrupt)
{
    const auto progress = std::make_shared<Progress>();
    progress->alive();
    std::thread worker([work, progress] {
        work([progress] { progress->alive(); });
        progress->done = true;
    });
    QEventLoop loop;
    ServerWaitEnd end = ServerWaitEnd::Done;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (progress->done) {
            end = ServerWaitEnd::Done;
            loop.quit();
        } else if (progress->quietFor() >= quiet) {
            end = ServerWaitEnd::TooLong;
            loop.quit();
        }
    });
    const QMetaObject::Connection signal =
        QObject::connect(&interrupt, &QuitOnSignal::interrupted, &loop, [&] {
            end = ServerWaitEnd::Interrupted;
            loop.quit();
        });
    look.start(10);
    // Another listener to the signal may quit every loop at once: only `end` tells.
    while (!progress->done && end == ServerWaitEnd::Done)
        loop.exec();
    QObject::disconnect(signal);
    if (end == ServerWaitEnd::Done) {
        worker.join();
        return end;
    }
    abandoned = true;
    worker.detach();
    return end;
}

bool serverWorkAbandoned()
{
    return abandoned;
}

void endConsoleProgram(int code)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}
