#include "SimulatedModule.h"

#include <QModbusDataUnitMap>
#include <QSerialPort>
#include <QVariant>

#include <algorithm>

namespace {

// Where `address` of `table` sits in `unit`, or -1.
int indexIn(const QModbusDataUnit &unit, QModbusDataUnit::RegisterType table, int address)
{
    const int i = address - unit.startAddress();
    return unit.registerType() == table && i >= 0 && i < int(unit.valueCount()) ? i : -1;
}

} // namespace

SimulatedModule::SimulatedModule(QObject *parent) : QModbusRtuSerialServer(parent)
{
    QModbusDataUnitMap map;
    map.insert(QModbusDataUnit::Coils, {QModbusDataUnit::Coils, 0, Relays});
    map.insert(QModbusDataUnit::HoldingRegisters,
               {QModbusDataUnit::HoldingRegisters, 0, Registers});
    setMap(map);
    connect(this, &QModbusServer::dataWritten, this,
            [this](QModbusDataUnit::RegisterType table, int, int) {
                if (table == QModbusDataUnit::Coils)
                    emit relaysChanged();
            });
}

bool SimulatedModule::start(const QString &device, int address, QString *error)
{
    setConnectionParameter(QModbusDevice::SerialPortNameParameter, device);
    setConnectionParameter(QModbusDevice::SerialBaudRateParameter, QSerialPort::Baud9600);
    setConnectionParameter(QModbusDevice::SerialDataBitsParameter, QSerialPort::Data8);
    setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::NoParity);
    setConnectionParameter(QModbusDevice::SerialStopBitsParameter, QSerialPort::OneStop);
    setServerAddress(address);
    if (!connectDevice()) {
        *error = errorString();
        return false;
    }
    return true;
}

// Past the overrides below, which stand for the line's view.
quint16 SimulatedModule::cell(QModbusDataUnit::RegisterType table, int address) const
{
    QModbusDataUnit unit(table, address, 1);
    return QModbusRtuSerialServer::readData(&unit) ? unit.value(0) : 0;
}

void SimulatedModule::setCell(QModbusDataUnit::RegisterType table, int address, quint16 value)
{
    QModbusRtuSerialServer::writeData(QModbusDataUnit(table, address, QList<quint16>{value}));
}

void SimulatedModule::setRelay(int index, bool on)
{
    setCell(QModbusDataUnit::Coils, index, on ? 1 : 0);
    emit relaysChanged();
}

bool SimulatedModule::relay(int index) const
{
    return cell(QModbusDataUnit::Coils, index) != 0;
}

QString SimulatedModule::relayPattern() const
{
    QString pattern;
    for (int i = 0; i < Relays; ++i)
        pattern += relay(i) ? QLatin1Char('1') : QLatin1Char('0');
    return pattern;
}

void SimulatedModule::setAnalog(int index, int v)
{
    setCell(QModbusDataUnit::HoldingRegisters, FirstAnalogRegister + index,
            quint16(std::clamp(v, 0, AnalogMax)));
    emit inputsChanged();
}

int SimulatedModule::analog(int index) const
{
    return cell(QModbusDataUnit::HoldingRegisters, FirstAnalogRegister + index);
}

void SimulatedModule::setDigital(int index, bool on)
{
    setCell(QModbusDataUnit::HoldingRegisters, FirstDigitalRegister + index, on ? 1 : 0);
    emit inputsChanged();
}

bool SimulatedModule::digital(int index) const
{
    return cell(QModbusDataUnit::HoldingRegisters, FirstDigitalRegister + index) != 0;
}

bool SimulatedModule::contact(int index) const
{
    if (faults.contactOpen == index + 1)
        return false;
    return faults.stuckOnRelay == index + 1 || relay(index); // a welded contact stays closed
}

// The module speaks four functions; the inputs are not writable.
QModbusResponse SimulatedModule::processRequest(const QModbusPdu &request)
{
    const auto fc = request.functionCode();
    if (faults.exception)
        return QModbusExceptionResponse(fc, QModbusExceptionResponse::ServerDeviceFailure);
    switch (fc) {
    case QModbusPdu::ReadCoils:
    case QModbusPdu::ReadHoldingRegisters:
    case QModbusPdu::WriteSingleCoil:
    case QModbusPdu::WriteMultipleCoils:
        return QModbusRtuSerialServer::processRequest(request);
    default:
        return QModbusExceptionResponse(fc, QModbusExceptionResponse::IllegalFunction);
    }
}

// Writes from the line: a stuck relay keeps what it had.
bool SimulatedModule::writeData(const QModbusDataUnit &unit)
{
    const int stuck =
        faults.stuckRelay > 0 ? indexIn(unit, QModbusDataUnit::Coils, faults.stuckRelay - 1) : -1;
    if (stuck < 0)
        return QModbusRtuSerialServer::writeData(unit);
    QModbusDataUnit kept = unit;
    kept.setValue(stuck, cell(QModbusDataUnit::Coils, faults.stuckRelay - 1));
    return QModbusRtuSerialServer::writeData(kept);
}

// Reads from the line: inverted and stuck-on relays, shorted, following and dead inputs lie.
bool SimulatedModule::readData(QModbusDataUnit *unit) const
{
    if (!QModbusRtuSerialServer::readData(unit))
        return false;
    const auto set = [unit](QModbusDataUnit::RegisterType table, int address, quint16 value) {
        const int i = indexIn(*unit, table, address);
        if (i >= 0)
            unit->setValue(i, value);
    };
    if (faults.invertedRelay > 0) {
        const int i = indexIn(*unit, QModbusDataUnit::Coils, faults.invertedRelay - 1);
        if (i >= 0)
            unit->setValue(i, unit->value(i) != 0 ? 0 : 1);
    }
    if (faults.stuckOnRelay > 0)
        set(QModbusDataUnit::Coils, faults.stuckOnRelay - 1, 1);
    if (const auto [a, b] = faults.shortedInputs;
        a > 0 && b > 0 && (digital(a - 1) || digital(b - 1))) {
        set(QModbusDataUnit::HoldingRegisters, FirstDigitalRegister + a - 1, 1);
        set(QModbusDataUnit::HoldingRegisters, FirstDigitalRegister + b - 1, 1);
    }
    if (const auto [a, b] = faults.analogFollows; a > 0 && b > 0)
        set(QModbusDataUnit::HoldingRegisters, FirstAnalogRegister + b - 1, quint16(analog(a - 1)));
    if (faults.deadInput > 0) {
        const int i = indexIn(*unit, QModbusDataUnit::HoldingRegisters,
                              FirstDigitalRegister + faults.deadInput - 1);
        if (i >= 0)
            unit->setValue(i, 0);
    }
    return true;
}
