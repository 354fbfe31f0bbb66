#include "SimWindow.h"

#include "ModulePanel.h"

#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QVBoxLayout>

SimWindow::SimWindow(const Modules &modules, LineBridge &line, int comNumber)
{
    setWindowTitle(QStringLiteral("RZM-530 Simulator"));
    auto *layout = new QVBoxLayout(this);
    QStringList addresses;
    for (const auto &module : modules)
        addresses << QString::number(module->serverAddress());
    const QString which = modules.size() == 1
                              ? QStringLiteral("Module at address %1").arg(addresses.front())
                              : QStringLiteral("Modules at addresses %1").arg(addresses.join(", "));
    QStringList places;
    if (!line.publishedLink().isEmpty())
        places << QStringLiteral("COM %1: %2").arg(comNumber).arg(line.publishedLink());
    if (!line.tcpAddress().isEmpty())
        places << QStringLiteral("serial device server: %1").arg(line.tcpAddress());
    auto *where = new QLabel(which + QLatin1Char('\n') + places.join(QLatin1Char('\n')), this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);
    collisions = new QLabel(this);
    collisions->setObjectName(QStringLiteral("collisions"));
    collisions->setToolTip(QStringLiteral("Requests that came while a reply was due: on a "
                                          "two-wire line both are lost"));
    showCollisions(0);
    connect(&line, &LineBridge::collided, this, &SimWindow::showCollisions);
    layout->addWidget(collisions);
    if (!line.tcpAddress().isEmpty()) {
        auto *drop = new QPushButton(QStringLiteral("Drop the connection"), this);
        drop->setToolTip(
            QStringLiteral("Closes the TCP client's connection, as a server that resets would"));
        connect(drop, &QPushButton::clicked, this, [&line] { line.dropTcpClient(); });
        layout->addWidget(drop, 0, Qt::AlignLeft);
    }

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
