#include "StopThenQuit.h"

#include "SelfTestDialog.h"
#include "StationWindow.h"

#include <QApplication>

#include <utility>
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
    if (std::exchange(stopping, true))
        return;
    // Queued: each has its last word, and is no longer running, before the count is made.
    for (QWidget *top : underWay()) {
        if (auto *station = qobject_cast<StationWindow *>(top))
            connect(station, &StationWindow::closed, this, &StopThenQuit::quitOnceStopped,
                    Qt::QueuedConnection);
        else
            connect(static_cast<SelfTestDialog *>(top), &QDialog::finished, this,
                    &StopThenQuit::quitOnceStopped, Qt::QueuedConnection);
        top->close();
    }
    quitOnceStopped();
}

void StopThenQuit::quitOnceStopped()
{
    if (!quitting && underWay().empty()) {
        quitting = true;
        quit();
    }
}
