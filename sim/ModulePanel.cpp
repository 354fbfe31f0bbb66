#include "ModulePanel.h"

#include "Colours.h"
#include "SimulatedModule.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <functional>

ModulePanel::ModulePanel(SimulatedModule &module, QWidget *parent) : QWidget(parent), module(module)
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(relayPanel());
    auto *inputs = new QHBoxLayout;
    inputs->addWidget(analogPanel(), 3);
    inputs->addWidget(digitalPanel(), 1);
    layout->addLayout(inputs);
    layout->addWidget(faultPanel());
    layout->addWidget(moduleFaultPanel());
    connect(&module, &SimulatedModule::relaysChanged, this, &ModulePanel::showRelays);
    connect(&module, &SimulatedModule::inputsChanged, this, &ModulePanel::showInputs);
    showRelays();
}

QWidget *ModulePanel::relayPanel()
{
    auto *box = new QGroupBox(QStringLiteral("Relays"), this);
    auto *grid = new QGridLayout(box);
    for (int i = 0; i < SimulatedModule::Relays; ++i) {
        auto *lamp = new Shape(box);
        lamp->setObjectName(QStringLiteral("relay%1").arg(i + 1));
        lamp->setFixedSize(25, 17);
        relayLamps[std::size_t(i)] = lamp;
        grid->addWidget(new QLabel(QString::number(i + 1), box), 0, i, Qt::AlignHCenter);
        grid->addWidget(lamp, 1, i, Qt::AlignHCenter);
    }
    return box;
}

QWidget *ModulePanel::analogPanel()
{
    auto *box = new QGroupBox(QStringLiteral("Analog inputs"), this);
    auto *grid = new QGridLayout(box);
    for (int i = 0; i < SimulatedModule::AnalogInputs; ++i) {
        auto *slider = new QSlider(Qt::Horizontal, box);
        auto *number = new QSpinBox(box);
        slider->setRange(0, SimulatedModule::AnalogMax);
        number->setRange(0, SimulatedModule::AnalogMax);
        slider->setValue(module.analog(i));
        number->setValue(module.analog(i));
        slider->setObjectName(QStringLiteral("analog%1").arg(i + 1));
        analogSliders[std::size_t(i)] = slider;
        analogNumbers[std::size_t(i)] = number;
        connect(slider, &QSlider::valueChanged, number, &QSpinBox::setValue);
        connect(number, &QSpinBox::valueChanged, slider, &QSlider::setValue);
        connect(number, &QSpinBox::valueChanged, this,
                [this, i](int v) { module.setAnalog(i, v); });
        grid->addWidget(new QLabel(QStringLiteral("%1:").arg(i + 1), box), i, 0);
        grid->addWidget(slider, i, 1);
        grid->addWidget(number, i, 2);
    }
    return box;
}

QWidget *ModulePanel::digitalPanel()
{
    auto *box = new QGroupBox(QStringLiteral("Digital inputs"), this);
    auto *column = new QVBoxLayout(box);
    for (int i = 0; i < SimulatedModule::DigitalInputs; ++i) {
        auto *check = new QCheckBox(QString::number(i + 1), box);
        check->setChecked(module.digital(i));
        digitalChecks[std::size_t(i)] = check;
        connect(check, &QCheckBox::toggled, this, [this, i](bool on) { module.setDigital(i, on); });
        column->addWidget(check);
    }
    return box;
}

QWidget *ModulePanel::faultPanel()
{
    auto *box = new QGroupBox(QStringLiteral("Faults"), this);
    auto *grid = new QGridLayout(box);
    auto *late = new QSpinBox(box);
    late->setRange(0, 10000);
    late->setSingleStep(250);
    late->setSuffix(QStringLiteral(" ms"));
    late->setSpecialValueText(QStringLiteral("off"));
    late->setValue(module.faults.lateMs);
    connect(late, &QSpinBox::valueChanged, this, [this](int ms) { module.faults.lateMs = ms; });
    grid->addWidget(new QLabel(QStringLiteral("Reply late:"), box), 0, 0);
    grid->addWidget(late, 0, 1);

    const auto toggle = [&](const QString &caption, bool initial, int row, int col,
                            std::function<void(bool)> set) {
        auto *check = new QCheckBox(caption, box);
        check->setChecked(initial);
        connect(check, &QCheckBox::toggled, this, std::move(set));
        grid->addWidget(check, row, col);
    };
    toggle(QStringLiteral("Stay silent"), module.faults.silent, 0, 2,
           [this](bool on) { module.faults.silent = on; });
    toggle(QStringLiteral("Corrupt CRC"), module.faults.corruptCrc, 1, 0,
           [this](bool on) { module.faults.corruptCrc = on; });
    toggle(QStringLiteral("Exception reply"), module.faults.exception, 1, 1,
           [this](bool on) { module.faults.exception = on; });
    toggle(QStringLiteral("Noise before reply"), module.faults.noise, 1, 2,
           [this](bool on) { module.faults.noise = on; });
    toggle(QStringLiteral("Cut reply short"), module.faults.cutShort, 2, 0,
           [this](bool on) { module.faults.cutShort = on; });

    auto *otherAddress = new QSpinBox(box);
    otherAddress->setRange(1, 247);
    otherAddress->setValue(module.faults.otherAddress != 0 ? module.faults.otherAddress
                                                           : module.serverAddress() % 247 + 1);
    auto *answerAs = new QCheckBox(QStringLiteral("Answer as address"), box);
    answerAs->setChecked(module.faults.otherAddress != 0);
    const auto setOtherAddress = [this, answerAs, otherAddress] {
        module.faults.otherAddress = answerAs->isChecked() ? otherAddress->value() : 0;
    };
    connect(answerAs, &QCheckBox::toggled, this, setOtherAddress);
    connect(otherAddress, &QSpinBox::valueChanged, this, setOtherAddress);
    grid->addWidget(answerAs, 2, 1);
    grid->addWidget(otherAddress, 2, 2);
    return box;
}

// Faults inside the module: only the line sees them, the lamps show the truth.
QWidget *ModulePanel::moduleFaultPanel()
{
    auto *box = new QGroupBox(QStringLiteral("Module faults"), this);
    auto *row = new QHBoxLayout(box);
    const auto numbered = [&](const QString &caption, int most, int *fault) {
        auto *number = new QSpinBox(box);
        number->setRange(0, most);
        number->setSpecialValueText(QStringLiteral("none"));
        number->setValue(*fault);
        connect(number, &QSpinBox::valueChanged, this, [this, fault](int n) {
            *fault = n;
            emit module.faultsChanged();
        });
        row->addWidget(new QLabel(caption, box));
        row->addWidget(number);
        row->addStretch();
    };
    numbered(QStringLiteral("Stuck relay:"), SimulatedModule::Relays, &module.faults.stuckRelay);
    numbered(QStringLiteral("Inverted relay:"), SimulatedModule::Relays,
             &module.faults.invertedRelay);
    numbered(QStringLiteral("Dead input:"), SimulatedModule::DigitalInputs,
             &module.faults.deadInput);
    numbered(QStringLiteral("Stuck-on relay:"), SimulatedModule::Relays,
             &module.faults.stuckOnRelay);
    numbered(QStringLiteral("Contact open:"), SimulatedModule::Relays, &module.faults.contactOpen);
    // A pair takes effect once both its numbers are set.
    const auto pair = [&](const QString &caption, const QString &between, int most,
                          std::array<int, 2> *fault) {
        row->addWidget(new QLabel(caption, box));
        for (std::size_t k = 0; k < fault->size(); ++k) {
            auto *number = new QSpinBox(box);
            number->setRange(0, most);
            number->setSpecialValueText(QStringLiteral("none"));
            number->setValue((*fault)[k]);
            connect(number, &QSpinBox::valueChanged, this, [this, fault, k](int n) {
                (*fault)[k] = n;
                emit module.faultsChanged();
            });
            row->addWidget(number);
            if (k == 0)
                row->addWidget(new QLabel(between, box));
        }
        row->addStretch();
    };
    pair(QStringLiteral("Shorted inputs:"), QStringLiteral("and"), SimulatedModule::DigitalInputs,
         &module.faults.shortedInputs);
    pair(QStringLiteral("Analog input"), QStringLiteral("drives"), SimulatedModule::AnalogInputs,
         &module.faults.analogFollows);
    return box;
}

void ModulePanel::showRelays()
{
    for (int i = 0; i < SimulatedModule::Relays; ++i)
        relayLamps[std::size_t(i)]->setFillColor(module.relay(i) ? Colours::Green : Colours::Red);
}

void ModulePanel::showInputs()
{
    // Quietly: the module knows already.
    for (std::size_t i = 0; i < analogNumbers.size(); ++i) {
        const QSignalBlocker quietSlider(analogSliders[i]), quietNumber(analogNumbers[i]);
        analogSliders[i]->setValue(module.analog(int(i)));
        analogNumbers[i]->setValue(module.analog(int(i)));
    }
    for (std::size_t i = 0; i < digitalChecks.size(); ++i) {
        const QSignalBlocker quiet(digitalChecks[i]);
        digitalChecks[i]->setChecked(module.digital(int(i)));
    }
}
