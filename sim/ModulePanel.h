#pragma once

#include "Shape.h"

#include <QWidget>

#include <array>

class SimulatedModule;

// One simulated module's front panel: relay lamps, the inputs to set, and the
// fault switches.
class ModulePanel : public QWidget {
    Q_OBJECT
public:
    explicit ModulePanel(SimulatedModule &module, QWidget *parent = nullptr);

private:
    QWidget *relayPanel();
    QWidget *analogPanel();
    QWidget *digitalPanel();
    QWidget *faultPanel();
    QWidget *moduleFaultPanel();
    void showRelays();

    SimulatedModule &module;
    std::array<Shape *, 8> relayLamps{};
};
