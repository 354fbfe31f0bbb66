// Response decoder: matches a complete frame in RxBuf against LastRequest and
// stores what it carries in the device image.
#include "Module2.h"

namespace modbus {

void ModbusMaster::DecodeResponse()
{
    const Request &req = LastRequest;
    if (RxBuf[0] != req.Address || RxBuf[1] != req.FunctionCode)
        return; // belongs to no pending request

    switch (req.FunctionCode) {
    case FnReadCoils:
    case FnReadDiscreteInputs: {
        const int byteCount = (req.Quantity - 1) / 8 + 1;
        if (RxBuf[2] != byteCount) {
            link.showMessage("Unexpected response");
            return;
        }
        for (int i = 0; i < byteCount; ++i) {
            for (int j = 0; j < 8 && i * 8 + j < req.Quantity; ++j) {
                const int coil = req.StartAddress + i * 8 + j;
                if (coil < 0 || coil >= BufferSlots)
                    continue;
                CoilState[coil] = (RxBuf[3 + i] & (1 << j)) != 0 ? 1 : 0;
            }
        }
        break;
    }
    case FnReadHoldingRegisters:
    case FnReadInputRegisters:
        // An odd byte count one above twice the quantity passes too.
        if (req.Quantity != RxBuf[2] / 2)
            return;
        for (int k = 1; k <= req.Quantity; ++k)
            RegValue[k] = static_cast<std::uint16_t>(RxBuf[1 + 2 * k] * 256 + RxBuf[2 + 2 * k]);
        break;
    default:
        break; // write echoes change nothing
    }
}

std::uint8_t ModbusMaster::CoilStatus(std::int16_t k) const
{
    return k >= 0 && k < BufferSlots ? CoilState[k] : 0;
}

} // namespace modbus
