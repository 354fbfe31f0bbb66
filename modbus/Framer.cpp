// Receive framer. Frames are delimited by content alone: the slave address, an
// accepted function code and the length that follows from it. There is no
// inter-frame timeout; a frame may span any number of receive events.
#include "HexEcho.h"
#include "Module2.h"

namespace modbus {

namespace {

bool acceptedFunction(int b)
{
    switch (b) {
    case FnReadCoils:
    case FnReadDiscreteInputs:
    case FnReadHoldingRegisters:
    case FnReadInputRegisters:
    case FnWriteSingleCoil:
    case FnWriteSingleRegister:
    case FnWriteMultipleCoils:
    case FnWriteMultipleRegisters:
        return true;
    default:
        return false; // exception replies (top bit set) among them
    }
}

bool isReadFunction(int fn)
{
    return fn >= FnReadCoils && fn <= FnReadInputRegisters;
}

// Clears a flag when the scope ends, however it ends.
class FlagScope {
public:
    explicit FlagScope(bool &flag) : flag(flag) { flag = true; }
    ~FlagScope() { flag = false; }
    FlagScope(const FlagScope &) = delete;
    FlagScope &operator=(const FlagScope &) = delete;

private:
    bool &flag;
};

} // namespace

// Drains every waiting byte. While a decoded frame holds its message box open,
// receive events run nested; they return at once and the bytes wait, to be
// taken by this loop when the box has closed.
void ModbusMaster::ReceiveBytes(std::int16_t address)
{
    if (receiving)
        return;
    FlagScope busy(receiving);
    while (link.InBufferCount() > 0) {
        const std::uint8_t b = link.Input();
        link.appendRx(HexEcho(b).view());
        frameByte(b, address);
    }
}

void ModbusMaster::frameByte(std::uint8_t b, std::int16_t address)
{
    auto &s = RxState;
    bool accepted = false;

    if (s.Count == 0) {
        s.FunctionCode = 0;
        if (b == address) {
            RxBuf[0] = b;
            accepted = true;
        }
    } else if (s.Count == 1) {
        if (acceptedFunction(b)) {
            RxBuf[1] = b;
            s.FunctionCode = b;
            accepted = true;
        } else {
            s.Count = 0; // the next byte is tested as an address again
        }
    } else if (s.Count == 2) {
        RxBuf[2] = b;
        s.ExpectedLength = static_cast<std::int16_t>(isReadFunction(s.FunctionCode) ? b + 5 : 8);
        accepted = true;
    } else {
        RxBuf[s.Count] = b;
        accepted = true;
    }

    // ExpectedLength is at least 5 once set, so this cannot fire before the
    // byte count of the current frame has been seen.
    if (s.ExpectedLength == s.Count + 1) {
        ComputeCrc(static_cast<std::int16_t>(s.ExpectedLength - 2), false);
        const bool crcMatches = CrcLo == RxBuf[s.Count] && CrcHi == RxBuf[s.Count - 1];
        s.Count = 0;
        // A frame whose CRC does not match is dropped.
        if (crcMatches)
            DecodeResponse();
        return;
    }
    if (accepted)
        ++s.Count;
}

} // namespace modbus
