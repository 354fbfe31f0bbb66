#pragma once

#include "LineBridge.h"
#include "SimulatedModule.h"

#include <QLabel>
#include <QWidget>

// The simulator's window: where the line is (and a switch to drop a TCP
// client), and a panel for each module on it.
class SimWindow : public QWidget {
    Q_OBJECT
public:
    SimWindow(const Modules &modules, LineBridge &line, int comNumber);

private:
    void showCollisions(int count);

    QLabel *collisions = nullptr;
};
