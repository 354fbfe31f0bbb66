// How soon a relay click reaches the line when it is made while a poll's reply
// is on its way: the click waits for that reply, and should go out within 5 ms
// of its last byte. Usage:
//   bench_click [clicks=20] [delay ms=20]   (COM 1 from RZM530_COM_DIR, a module
//   on it that answers late enough for the click to land in its reply)
// Each poll that ends schedules a click DELAY ms after the next poll is due, so
// that it lands while that poll's reply is awaited. Prints, for the clicks that
// did, the time from the reply's last byte to the click's request, and what the
// log of the line holds.
#include "LineSession.h"
#include "LineTap.h"
#include "MSComm.h"
#include "Words.h"
#include "frmMain.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double msBetween(line::Time from, line::Time to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int clicks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int delayMs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 20;

    MSComm comm;
    LineSession session(comm);
    frmMain window(session);
    window.Form_Load();

    std::vector<line::Time> clickedAt;
    std::vector<line::Transaction> kept;
    constexpr int PollPeriodMs = 1000;
    QObject::connect(
        &session.tap(), &LineTap::transactionEnded, &app, [&](const line::Transaction &t) {
            kept.push_back(t);
            if (t.origin != line::Origin::Poll || int(clickedAt.size()) >= clicks)
                return;
            const auto sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - t.start);
            const int in = PollPeriodMs + delayMs - int(sinceStart.count());
            QTimer::singleShot(std::max(0, in), &app, [&] {
                const bool on = clickedAt.size() % 2 == 0;
                clickedAt.push_back(std::chrono::steady_clock::now());
                window
                    .findChild<QPushButton *>(on ? QStringLiteral("btnON(3)")
                                                 : QStringLiteral("btnOFF(3)"))
                    ->click();
                if (int(clickedAt.size()) == clicks)
                    QTimer::singleShot(2 * PollPeriodMs, &app, &QApplication::quit);
            });
        });
    app.exec();

    // Each click's request, and the transaction on the line when it was made.
    std::vector<double> waits, afterReply;
    int relayRequests = 0, notOk = 0;
    std::size_t next = 0;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const line::Transaction &t = kept[i];
        if (t.verdict != line::Verdict::Ok)
            ++notOk;
        if (t.origin != line::Origin::Relay || i == 0 || next >= clickedAt.size())
            continue;
        ++relayRequests;
        const line::Time clicked = clickedAt[next++];
        const line::Transaction &before = kept[i - 1];
        if (before.replyEnd <= clicked)
            continue; // the line was free: the click went out at once
        waits.push_back(msBetween(clicked, t.start));
        afterReply.push_back(msBetween(before.replyEnd, t.start));
    }
    std::sort(waits.begin(), waits.end());
    std::sort(afterReply.begin(), afterReply.end());
    const auto median = [](const std::vector<double> &v) {
        return v.empty() ? 0 : v[v.size() / 2];
    };
    const auto most = [](const std::vector<double> &v) { return v.empty() ? 0 : v.back(); };
    std::printf("%d clicks, %d on the line, %zu of them made while a reply was due\n", clicks,
                relayRequests, waits.size());
    std::printf("click to its request: median %.1f ms, at most %.1f ms\n", median(waits),
                most(waits));
    std::printf("the reply's last byte to the click's request: median %.2f ms, at most %.2f ms\n",
                median(afterReply), most(afterReply));
    std::printf("%zu transactions, %d not OK\n", kept.size(), notOk);
    return relayRequests == clicks && notOk == 0 ? 0 : 1;
}
