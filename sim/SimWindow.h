#pragma once

#include "Shape.h"

#include <QCheckBox>
#include <QSlider>
#include <QSpinBox>
#include <QWidget>

#include <array>

class LineBridge;
class SimulatedModule;

// The simulated module's front panel: relay lamps, the inputs to set, and the
// fault switches.
class SimWindow : public QWidget {
    Q_OBJECT
public:
    SimWindow(SimulatedModule &module, LineBridge &line, int comNumber, int address);

private:
    QWidget *relayPanel();
    QWidget *analogPanel();
    QWidget *digitalPanel();
    QWidget *faultPanel();
    void showRelays();

    SimulatedModule &module;
    LineBridge &line;
    std::array<Shape *, 8> relayLamps{};
};
