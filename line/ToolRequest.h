#pragma once

#include <cstdint>
#include <vector>

namespace line {

// A request one of the tester's tools (the poll, the relay buttons, the scan, the self-test)
// wants on the line, in the terms of the master's four request builders, which the arbiter turns
// into frames. Not the master's own modbus::Request, which records the request last sent.
struct ToolRequest {
    enum class Kind { ReadCoils, ReadHoldingRegisters, WriteSingleCoil, WriteMultipleCoils };

    Kind kind = Kind::ReadCoils;
    std::uint8_t address = 1; // 0: every module on the line obeys, none answers
    std::uint16_t start = 0;  // reads
    std::uint16_t quantity = 8;
    int relay = 1;   // Write Single Coil: relay 1 is coil 0
    bool on = false; // Write Single Coil, and all eight coils of Write Multiple Coils

    static ToolRequest readCoils(std::uint8_t address) { return {Kind::ReadCoils, address, 0, 8}; }
    static ToolRequest readRegisters(std::uint8_t address)
    {
        return {Kind::ReadHoldingRegisters, address, 0, 11};
    }
    static ToolRequest writeRelay(std::uint8_t address, int relay, bool on)
    {
        return {Kind::WriteSingleCoil, address, 0, 1, relay, on};
    }
    // All eight relays of one module, which answers, or of every module by broadcast.
    static ToolRequest writeAllRelays(std::uint8_t address, bool on)
    {
        return {Kind::WriteMultipleCoils, address, 0, 8, 1, on};
    }
    static ToolRequest broadcastAllRelays(bool on) { return writeAllRelays(0, on); }
};

// Write Multiple Coils as the master builds it, CRC and all, but to `r.address`: the master's
// own builder sends it to the broadcast address whatever it is given.
std::vector<std::uint8_t> addressedCoilsFrame(const ToolRequest &r);

} // namespace line
