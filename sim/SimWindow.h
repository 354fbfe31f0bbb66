#pragma once

#include "SimulatedModule.h"

#include <QWidget>

// The simulator's window: where the line is, and a panel for each module on it.
class SimWindow : public QWidget {
    Q_OBJECT
public:
    SimWindow(const Modules &modules, const QString &publishedLink, int comNumber);
};
