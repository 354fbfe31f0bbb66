#pragma once

#include "SimulatedModule.h"

#include <QLabel>
#include <QWidget>

// The simulator's window: where the line is, and a panel for each module on it.
class SimWindow : public QWidget {
    Q_OBJECT
public:
    SimWindow(const Modules &modules, const QString &publishedLink, int comNumber);

    void showCollisions(int count);

private:
    QLabel *collisions = nullptr;
};
