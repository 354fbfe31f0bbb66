#include "SimulatedModule.h"

#include <QModbusDataUnitMap>
#include <QSerialPort>
#include <QVariant>

#include <algorithm>

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

quint16 SimulatedModule::cell(QModbusDataUnit::RegisterType table, int address) const
{
    quint16 v = 0;
    data(table, quint16(address), &v);
    return v;
}

void SimulatedModule::setRelay(int index, bool on)
{
    setData(QModbusDataUnit::Coils, quint16(index), on ? 1 : 0);
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
    setData(QModbusDataUnit::HoldingRegisters, quint16(FirstAnalogRegister + index),
            quint16(std::clamp(v, 0, AnalogMax)));
}

int SimulatedModule::analog(int index) const
{
    return cell(QModbusDataUnit::HoldingRegisters, FirstAnalogRegister + index);
}

void SimulatedModule::setDigital(int index, bool on)
{
    setData(QModbusDataUnit::HoldingRegisters, quint16(FirstDigitalRegister + index), on ? 1 : 0);
}

bool SimulatedModule::digital(int index) const
{
    return cell(QModbusDataUnit::HoldingRegisters, FirstDigitalRegister + index) != 0;
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
