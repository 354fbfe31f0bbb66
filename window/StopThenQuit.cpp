#include "StopThenQuit.h"

#include "SelfTestDialog.h"
#include "StationWindow.h"

#include <QApplication>

#include <algorithm>
#include <vector>

namespace {

// The station windows and self-test dialogs still testing.
std::vector<QWidget *> underWay()
{
    std::vector<QWidget *> found;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        const auto *station = qobject_cast<StationWindow *>(top);
        const auto *test = qobject_cast<SelfTestDialog *>(top);
        if ((station && station->running()) || (test && test->running()))
            found.push_back(top);
    }
    return found;
}

} // namespace

StopThenQuit::StopThenQuit(std::function<void()> quit, QObject *parent)
    : QObject(parent), quit(std::move(quit))
{
}

void StopThenQuit::stop()
{
    quitOnceStopped();
}

// Whatever still tests is closed, once each, and heard from once it has stopped; the program
// quits when none is left. Queued: each has its last word, and is no longer running, before
// the count is made.
void StopThenQuit::quitOnceStopped()
{
    if (quitting)
        return;
    const std::vector<QWidget *> testing = underWay();
    if (testing.empty()) {
        quitting = true;
        quit();
        return;
    }
    for (QWidget *top : testing) {
        if (std::find(closed.begin(), closed.end(), top) != closed.end())
            continue;
        closed.emplace_back(top);
        if (auto *station = qobject_cast<StationWindow *>(top))
            connect(station, &StationWindow::closed, this, &StopThenQuit::quitOnceStopped,
                    Qt::QueuedConnection);
        else
            connect(static_cast<SelfTestDialog *>(top), &QDialog::finished, this,
                    &StopThenQuit::quitOnceStopped, Qt::QueuedConnection);
        top->close();
    }
}
