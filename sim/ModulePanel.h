#pragma once

#include "Shape.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QSlider;
class QSpinBox;
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
    void showInputs(); // as a fixture switched them

    SimulatedModule &module;
    std::array<Shape *, 8> relayLamps{};
    std::array<QSlider *, 3> analogSliders{};
    std::array<QSpinBox *, 3> analogNumbers{};
    std::array<QCheckBox *, 4> digitalChecks{};
};
