// CRC-16/MODBUS, table driven: reflected polynomial 0xA001, start value 0xFFFF.
// CrcHi ends up holding the low-order byte of the conventional value and goes
// on the wire first.
#include "Module2.h"

namespace modbus {

void ModbusMaster::BuildCrcTables()
{
    for (int i = 0; i < 256; ++i) {
        unsigned crc = static_cast<unsigned>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1U) ? (crc >> 1) ^ 0xA001U : crc >> 1;
        CrcHiTable[i] = static_cast<Slot>(crc & 0xFFU);
        CrcLoTable[i] = static_cast<Slot>(crc >> 8);
    }
}

void ModbusMaster::ComputeCrc(std::int16_t count, bool fromTx)
{
    if (CrcHiTable[1] == 0)
        BuildCrcTables();

    const auto &buf = fromTx ? TxBuf : RxBuf;
    const int n = count < 0 ? 0 : (count > BufferSlots ? BufferSlots : count);
    CrcHi = 0xFF;
    CrcLo = 0xFF;
    for (int i = 0; i < n; ++i) {
        const int idx = (CrcHi ^ buf[i]) & 0xFF;
        CrcHi = static_cast<Slot>((CrcHiTable[idx] ^ CrcLo) & 0xFF);
        CrcLo = CrcLoTable[idx];
    }
}

} // namespace modbus
