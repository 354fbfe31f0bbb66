// A chattering line: bytes arrive at the line's full rate (960 bytes/s at 9600
// 8N1) with Poll unticked, as from another master on the bus or a device that
// streams. Measures the tester's CPU, whether it takes every byte from the port,
// how soon a relay click reaches the line, and the cost of a received byte early
// and late in a long stream.
// Usage: bench_chatter [seconds] [bytes a time]   (default 60 s, 1 byte; run it
// under Xvfb or offscreen). One byte a time is the harshest: a wake-up for every
// byte. A USB adapter hands bytes over every 16 ms or so (16 bytes here), a
// 16550 UART at its FIFO trigger level (8 or 14).
#include "FakeComm.h"
#include "MSComm.h"
#include "LineSession.h"
#include "WindowEcho.h"
#include "frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr long BytePeriodNs = 1'000'000'000L / 960;
constexpr int WriteFrameBytes = 8;

std::int64_t monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

struct CpuSeconds {
    double user = 0, system = 0;
};

CpuSeconds cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

// The far end of the line, in its own process so that its work is not counted:
// writes `chunk` bytes every `chunk` × 1.04 ms until told to stop, and reports when each whole
// request frame of the tester has arrived. Answers on `report`: one int64 per
// frame (its arrival, CLOCK_MONOTONIC ns), then -1 and the number of bytes sent.
[[noreturn]] void farEnd(int peer, int report, int stop, int chunk)
{
    std::uint32_t noise = 12345;
    std::int64_t next = monotonicNs(), sent = 0;
    int fromTester = 0;
    for (;;) {
        pollfd fds[2] = {{peer, POLLIN, 0}, {stop, POLLIN, 0}};
        const std::int64_t wait = std::max<std::int64_t>(0, next - monotonicNs());
        const timespec timeout{time_t(wait / 1'000'000'000), long(wait % 1'000'000'000)};
        ::ppoll(fds, 2, &timeout, nullptr);
        if (fds[1].revents != 0)
            break;
        char buf[256];
        ssize_t n;
        while ((n = ::read(peer, buf, sizeof buf)) > 0) {
            fromTester += int(n);
            for (; fromTester >= WriteFrameBytes; fromTester -= WriteFrameBytes) {
                const std::int64_t at = monotonicNs();
                [[maybe_unused]] auto w = ::write(report, &at, sizeof at);
            }
        }
        while (monotonicNs() >= next) {
            char bytes[64];
            for (int i = 0; i < chunk; ++i) {
                noise = noise * 1103515245 + 12345;
                bytes[i] = char(noise >> 16);
            }
            const ssize_t n = ::write(peer, bytes, size_t(chunk));
            sent += n > 0 ? n : 0;
            next += BytePeriodNs * chunk;
        }
    }
    const std::int64_t end[2] = {-1, sent};
    [[maybe_unused]] auto w = ::write(report, end, sizeof end);
    _exit(0);
}

// MSComm, counting the bytes the tester takes from it.
class CountingComm final : public SerialComm {
public:
    CountingComm()
    {
        connect(&real, &SerialComm::OnComm, this, &SerialComm::OnComm);
        connect(&real, &SerialComm::portLost, this, &SerialComm::portLost);
    }
    void setCommPort(int port) override { real.setCommPort(port); }
    int CommPort() const override { return real.CommPort(); }
    bool PortOpen() const override { return real.PortOpen(); }
    bool setPortOpen(bool open) override { return real.setPortOpen(open); }
    bool Output(quint8 byte) override { return real.Output(byte); }
    int InBufferCount() const override { return real.InBufferCount(); }
    quint8 Input() override
    {
        ++taken;
        return real.Input();
    }
    QString devicePath() const override { return real.devicePath(); }
    QString errorString() const override { return real.errorString(); }

    std::int64_t taken = 0;

private:
    MSComm real;
};

void chatteringLine(int seconds, int chunk)
{
    QTemporaryDir dir;
    int peer = -1, device = -1;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (::openpty(&peer, &device, name, &raw, nullptr) != 0)
        return;
    QFile::link(QString::fromLocal8Bit(name), dir.filePath(QStringLiteral("COM1")));
    qputenv("RZM530_COM_DIR", dir.path().toLocal8Bit());

    CountingComm comm;
    LineSession session(comm);
    frmMain window(session);
    window.findChild<QCheckBox *>(QStringLiteral("chkPoll"))->setChecked(false);
    window.Form_Load();
    window.show();

    // Only now: opening the port discards bytes that were already waiting.
    int report[2], stop[2];
    if (::pipe(report) != 0 || ::pipe(stop) != 0)
        return;
    const pid_t child = ::fork();
    if (child == 0) {
        ::fcntl(peer, F_SETFL, O_NONBLOCK);
        farEnd(peer, report[1], stop[0], chunk);
    }

    // A relay click every 5 s from 2.5 s on, alternating ON and OFF.
    std::vector<std::int64_t> clicks;
    const auto click = [&] {
        const bool on = clicks.size() % 2 == 0;
        clicks.push_back(monotonicNs());
        window
            .findChild<QPushButton *>(on ? QStringLiteral("btnON(1)") : QStringLiteral("btnOFF(1)"))
            ->click();
    };
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, click);
    QTimer::singleShot(2500, &clicker, [&] {
        click();
        clicker.start(5000);
    });

    const CpuSeconds cpuBefore = cpuSeconds();
    QElapsedTimer run;
    run.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const CpuSeconds cpuAfter = cpuSeconds();
    const double user = cpuAfter.user - cpuBefore.user;
    const double system = cpuAfter.system - cpuBefore.system;
    const double elapsed = double(run.elapsed()) / 1000.0;
    clicker.stop();

    [[maybe_unused]] auto w = ::write(stop[1], "x", 1);
    std::vector<std::int64_t> arrivals;
    std::int64_t sent = 0, value = 0;
    while (::read(report[0], &value, sizeof value) == sizeof value) {
        if (value < 0) {
            [[maybe_unused]] auto r = ::read(report[0], &sent, sizeof sent);
            break;
        }
        arrivals.push_back(value);
    }
    ::waitpid(child, nullptr, 0);
    QElapsedTimer drain;
    drain.start();
    while (comm.taken < sent && drain.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    double worstClickMs = 0;
    const std::size_t pairs = std::min(clicks.size(), arrivals.size());
    for (std::size_t i = 0; i < pairs; ++i)
        worstClickMs = std::max(worstClickMs, double(arrivals[i] - clicks[i]) / 1e6);

    std::printf("chattering line, Poll unticked, %.0f s at 960 bytes/s, %d byte%s a time:\n",
                elapsed, chunk, chunk == 1 ? "" : "s");
    std::printf("  CPU                %.2f %% of one core (%.2f %% in the tester, %.2f %% in the "
                "system)\n",
                100.0 * (user + system) / elapsed, 100.0 * user / elapsed,
                100.0 * system / elapsed);
    std::printf("  bytes taken        %lld of %lld sent\n", (long long)comm.taken, (long long)sent);
    std::printf("  relay clicks       %zu on the line of %zu, slowest %.1f ms after the click\n",
                arrivals.size(), clicks.size(), worstClickMs);
    ::close(peer);
    ::close(device);
}

// One byte per receive event through the whole window, early and late in a
// stream that no request interrupts.
void costPerByte()
{
    FakeComm comm;
    LineSession session(comm);
    frmMain window(session);
    window.findChild<QCheckBox *>(QStringLiteral("chkPoll"))->setChecked(false);
    window.Form_Load();
    window.show();
    const auto timeBytes = [&](int count) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < count; ++i)
            comm.inject(QByteArray(1, char(0x10 + i % 200)));
        QCoreApplication::processEvents(); // what the bytes left to paint
        return double(t.nsecsElapsed()) / count / 1000.0;
    };
    timeBytes(1000); // the first paint and font loading are not the bytes' cost
    window.findChild<QPushButton *>(QStringLiteral("btnOFF(1)"))->click(); // a request clears RX
    const double echoed = timeBytes(WindowEcho::RxEchoLimit);
    timeBytes(100 - WindowEcho::RxEchoLimit);
    const double early = timeBytes(100);
    timeBytes(100'000 - 300);
    const double late = timeBytes(100);
    std::printf("cost of a received byte, one a receive event: %.2f us for bytes 101-200, %.2f us "
                "for bytes 99,901-100,000;\n  %.1f us for the first %d after a request, which the "
                "RX box shows\n",
                early, late, echoed, WindowEcho::RxEchoLimit);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int chunk = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 64) : 1;
    costPerByte();
    chatteringLine(seconds, chunk);
    return 0;
}
