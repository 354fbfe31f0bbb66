#pragma once

#include "Faults.h"

#include <QModbusRtuSerialServer>

#include <memory>
#include <vector>

// The module's side of the protocol, over Qt's Modbus RTU server:
// coils 0 to 7 are the relays, holding registers 4 to 6 the analog inputs
// (0 to 1023), 7 to 10 the digital inputs; registers 0 to 3 read as 0.
// The accessors below are the module's true state, as its panel shows it;
// the faults inside the module lie only to the line.
class SimulatedModule : public QModbusRtuSerialServer {
    Q_OBJECT
public:
    static constexpr int Relays = 8, AnalogInputs = 3, DigitalInputs = 4;
    static constexpr int FirstAnalogRegister = 4, FirstDigitalRegister = 7, Registers = 11;
    static constexpr int AnalogMax = 1023;

    explicit SimulatedModule(QObject *parent = nullptr);

    bool start(const QString &device, int address, QString *error);

    void setRelay(int index, bool on);
    bool relay(int index) const;
    QString relayPattern() const; // "10100001": relay 1 first

    void setAnalog(int index, int value);
    int analog(int index) const;
    void setDigital(int index, bool on);
    bool digital(int index) const;

    // Whether relay `index`'s contact is closed: as its coil, unless it is stuck on or open.
    bool contact(int index) const;

    Faults faults; // the line applies those that change a reply on its way out

signals:
    void relaysChanged();
    void inputsChanged();
    void faultsChanged(); // emitted by whoever changes `faults` once the module runs

protected:
    QModbusResponse processRequest(const QModbusPdu &request) override;
    bool writeData(const QModbusDataUnit &unit) override;
    bool readData(QModbusDataUnit *unit) const override;

private:
    quint16 cell(QModbusDataUnit::RegisterType table, int address) const;
    void setCell(QModbusDataUnit::RegisterType table, int address, quint16 value);
};

// The modules on one line, in the order their addresses were given.
using Modules = std::vector<std::unique_ptr<SimulatedModule>>;
