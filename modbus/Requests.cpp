// Request frames. Multi-byte fields go high byte first; SendFrame takes the
// index of the last byte, not the length.
#include "HexEcho.h"
#include "Module2.h"

namespace modbus {

namespace {

Slot highByte(std::int16_t v)
{
    return static_cast<Slot>((static_cast<std::uint16_t>(v) >> 8) & 0xFF);
}
Slot lowByte(std::int16_t v)
{
    return static_cast<Slot>(static_cast<std::uint16_t>(v) & 0xFF);
}

} // namespace

void ModbusMaster::readRequest(std::int16_t address, std::int16_t function, std::int16_t start,
                               std::int16_t quantity)
{
    LastRequest = {address, function, start, quantity};
    TxBuf[0] = lowByte(address);
    TxBuf[1] = function;
    TxBuf[2] = highByte(start);
    TxBuf[3] = lowByte(start);
    TxBuf[4] = highByte(quantity);
    TxBuf[5] = lowByte(quantity);
    appendCrcAndSend(6);
}

void ModbusMaster::ReadCoils(std::uint8_t address, std::int16_t start, std::int16_t quantity)
{
    readRequest(address, FnReadCoils, start, quantity);
}

void ModbusMaster::ReadHoldingRegisters(std::int16_t address, std::int16_t start,
                                        std::int16_t quantity)
{
    readRequest(address, FnReadHoldingRegisters, start, quantity);
}

void ModbusMaster::WriteSingleCoil(std::int16_t address, std::int16_t relay, std::int16_t state)
{
    LastRequest.Address = address;
    LastRequest.FunctionCode = FnWriteSingleCoil;
    const auto coil = static_cast<std::int16_t>(relay - 1);
    TxBuf[0] = lowByte(address);
    TxBuf[1] = FnWriteSingleCoil;
    TxBuf[2] = highByte(coil);
    TxBuf[3] = lowByte(coil);
    TxBuf[4] = state != 0 ? 0xFF : 0x00;
    TxBuf[5] = 0x00;
    appendCrcAndSend(6);
}

// Always sent to the broadcast address: every module on the line obeys and none
// answers. The address argument is only recorded. A quantity outside 1 to 1968,
// which no Modbus slave accepts and which would not fit the buffer, sends nothing.
void ModbusMaster::WriteMultipleCoils(std::uint8_t address, std::int16_t start,
                                      std::int16_t quantity,
                                      const std::vector<std::uint8_t> &values)
{
    if (quantity < 1 || quantity > MaxWriteCoils)
        return;
    LastRequest.Address = address;
    LastRequest.FunctionCode = FnWriteMultipleCoils;
    TxBuf[0] = BroadcastAddress;
    TxBuf[1] = FnWriteMultipleCoils;
    TxBuf[2] = highByte(start);
    TxBuf[3] = lowByte(start);
    TxBuf[4] = highByte(quantity);
    TxBuf[5] = lowByte(quantity);
    const int byteCount = (quantity - 1) / 8 + 1;
    TxBuf[6] = static_cast<Slot>(byteCount);

    // Most significant bit first: data byte m holds values 8m-1 down to 8m-8.
    for (int m = 1; m <= byteCount; ++m) {
        int data = 0;
        for (int k = 8 * m - 1; k >= 8 * m - 8; --k) {
            data *= 2;
            const bool on = k <= quantity - 1 && static_cast<std::size_t>(k) < values.size() &&
                            values[static_cast<std::size_t>(k)] != 0;
            data += on ? 1 : 0;
        }
        TxBuf[6 + m] = static_cast<Slot>(data);
    }
    appendCrcAndSend(static_cast<std::int16_t>(7 + byteCount));
}

void ModbusMaster::appendCrcAndSend(std::int16_t crcIndex)
{
    ComputeCrc(crcIndex, true);
    TxBuf[crcIndex] = CrcHi;
    TxBuf[crcIndex + 1] = CrcLo;
    SendFrame(static_cast<std::int16_t>(crcIndex + 1));
}

// A failing write does not stop the frame: the byte is still echoed and the next
// one tried. Only a closed port suppresses both.
void ModbusMaster::SendFrame(std::int16_t lastIndex)
{
    link.clearTx();
    link.clearRx();
    link.setRxColour(0x000000);
    const int last = lastIndex < BufferSlots ? lastIndex : BufferSlots - 1;
    for (int i = 0; i <= last; ++i) {
        if (!link.PortOpen())
            continue;
        const auto byte = static_cast<std::uint8_t>(TxBuf[i]);
        link.Output(byte);
        link.appendTx(HexEcho(byte).view());
    }
}

} // namespace modbus
