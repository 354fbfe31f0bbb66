#include "SimWindow.h"

#include "ModulePanel.h"

#include <QLabel>
#include <QStringList>
#include <QTabWidget>
#include <QVBoxLayout>

SimWindow::SimWindow(const Modules &modules, const QString &publishedLink, int comNumber)
{
    setWindowTitle(QStringLiteral("RZM-530 Simulator"));
    auto *layout = new QVBoxLayout(this);
    QStringList addresses;
    for (const auto &module : modules)
        addresses << QString::number(module->serverAddress());
    const QString which = modules.size() == 1
                              ? QStringLiteral("Module at address %1").arg(addresses.front())
                              : QStringLiteral("Modules at addresses %1").arg(addresses.join(", "));
    auto *where = new QLabel(
        QStringLiteral("%1 on COM %2\n%3").arg(which).arg(comNumber).arg(publishedLink), this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);
    collisions = new QLabel(this);
    collisions->setObjectName(QStringLiteral("collisions"));
    collisions->setToolTip(QStringLiteral("Requests that came while a reply was due: on a "
                                          "two-wire line both are lost"));
    showCollisions(0);
    layout->addWidget(collisions);

    // One module keeps the plain panel it always had.
    if (modules.size() == 1) {
        auto *panel = new ModulePanel(*modules.front(), this);
        panel->layout()->setContentsMargins({});
        layout->addWidget(panel);
        return;
    }
    auto *tabs = new QTabWidget(this);
    for (const auto &module : modules)
        tabs->addTab(new ModulePanel(*module, tabs),
                     QStringLiteral("Address %1").arg(module->serverAddress()));
    layout->addWidget(tabs);
}

void SimWindow::showCollisions(int count)
{
    collisions->setText(QStringLiteral("Collisions: %1").arg(count));
}
