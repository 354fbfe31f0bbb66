#pragma once

#include <cstdint>

namespace line {

// A request that a sequencer (bus scan, self-test) wants on the line, in the
// terms of the master's four request builders, which put it on the wire.
struct Request {
    enum class Kind { ReadCoils, ReadHoldingRegisters, WriteSingleCoil, WriteMultipleCoils };

    Kind kind = Kind::ReadCoils;
    std::uint8_t address = 1; // Write Multiple Coils always goes out to address 0
    std::uint16_t start = 0;  // reads
    std::uint16_t quantity = 8;
    int relay = 1;   // Write Single Coil: relay 1 is coil 0
    bool on = false; // Write Single Coil, and all eight coils of Write Multiple Coils

    static Request readCoils(std::uint8_t address) { return {Kind::ReadCoils, address, 0, 8}; }
    static Request readRegisters(std::uint8_t address)
    {
        return {Kind::ReadHoldingRegisters, address, 0, 11};
    }
    static Request writeRelay(std::uint8_t address, int relay, bool on)
    {
        return {Kind::WriteSingleCoil, address, 0, 1, relay, on};
    }
    static Request writeAllRelays(bool on) { return {Kind::WriteMultipleCoils, 0, 0, 8, 1, on}; }
};

} // namespace line
