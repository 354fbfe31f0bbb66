#pragma once

#include "MasterLink.h"

#include <array>
#include <cstdint>
#include <vector>

namespace modbus {

using Slot = std::int16_t; // holds one byte value, 0 to 255

constexpr int BufferSlots = 401; // index 0 to 400
constexpr std::uint8_t BroadcastAddress = 0;

enum FunctionCode : std::int16_t {
    FnReadCoils = 1,
    FnReadDiscreteInputs = 2,
    FnReadHoldingRegisters = 3,
    FnReadInputRegisters = 4,
    FnWriteSingleCoil = 5,
    FnWriteSingleRegister = 6,
    FnWriteMultipleCoils = 15,
    FnWriteMultipleRegisters = 16,
};

struct Request {
    std::int16_t Address = 0;
    std::int16_t FunctionCode = 0;
    std::int16_t StartAddress = 0;
    std::int16_t Quantity = 0;
};

struct ReceiveState {
    std::int16_t Count = 0; // bytes accepted so far in the current frame
    std::int16_t FunctionCode = 0;
    std::int16_t ExpectedLength = 0; // whole frame, CRC included
};

// The Modbus RTU master of the tester and all of its protocol state, which lives
// for the whole run. Requests go out at once; replies come back byte by byte
// through ReceiveBytes and land in the device image (CoilState, RegValue).
class ModbusMaster {
public:
    explicit ModbusMaster(MasterLink &link) : link(link) {}
    ModbusMaster(const ModbusMaster &) = delete;
    ModbusMaster &operator=(const ModbusMaster &) = delete;

    // Frame buffers and CRC-16
    void BuildCrcTables();
    void ComputeCrc(std::int16_t count, bool fromTx);

    // Requests
    void ReadCoils(std::uint8_t address, std::int16_t start, std::int16_t quantity);
    void ReadHoldingRegisters(std::int16_t address, std::int16_t start, std::int16_t quantity);
    void WriteSingleCoil(std::int16_t address, std::int16_t relay, std::int16_t state);
    void WriteMultipleCoils(std::uint8_t address, std::int16_t start, std::int16_t quantity,
                            const std::vector<std::uint8_t> &values);
    void SendFrame(std::int16_t lastIndex);

    // Receive framer
    void ReceiveBytes(std::int16_t address);

    // Decoder and device image
    void DecodeResponse();
    std::uint8_t CoilStatus(std::int16_t k) const;

    std::array<Slot, BufferSlots> TxBuf{};
    std::array<Slot, BufferSlots> RxBuf{};
    Request LastRequest;
    ReceiveState RxState;
    std::array<Slot, 256> CrcHiTable{};
    std::array<Slot, 256> CrcLoTable{};
    Slot CrcHi = 0;
    Slot CrcLo = 0;

    std::array<std::uint8_t, BufferSlots> CoilState{};
    // Registers are kept as the unsigned 16-bit values the module sent.
    std::array<std::uint16_t, BufferSlots> RegValue{};

    // The largest coil count one Write Multiple Coils frame may carry.
    static constexpr std::int16_t MaxWriteCoils = 1968;

private:
    void readRequest(std::int16_t address, std::int16_t function, std::int16_t start,
                     std::int16_t quantity);
    void appendCrcAndSend(std::int16_t crcIndex);
    void frameByte(std::uint8_t b, std::int16_t address);

    MasterLink &link;
    bool receiving = false; // guards the framer while a decoded frame shows its message box
};

} // namespace modbus
