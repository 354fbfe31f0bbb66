#pragma once

#include "Bytes.h"
#include "Module2.h"
#include "ReferenceCrc.h"

#include <functional>
#include <string>
#include <vector>

// The master's frames written out by hand, CRCs worked out apart from the master: each
// request as it must go on the wire, and replies, whole, spoilt or mixed with noise, with the
// device image they must leave.
using MasterRequest = std::function<void(modbus::ModbusMaster &)>;

struct RequestVector {
    const char *name;
    Bytes frame; // empty when nothing may be sent
    MasterRequest request;
};

struct ReplyVector {
    const char *name;
    Bytes bytes;
    const char *image; // as imageOf gives it
    MasterRequest request;
};

inline const Bytes CoilReply = bytesOf("01 01 01 05 91 8B"); // coils 0 and 2 on
inline const char *const AllRegisters = "00000000 1 2 3 4 5 6 7 8 9 10 11";

inline void readCoils(modbus::ModbusMaster &m)
{
    m.ReadCoils(1, 0, 8);
}

inline void readRegisters(modbus::ModbusMaster &m)
{
    m.ReadHoldingRegisters(1, 0, 11);
}

// A register reply of `byteCount` data bytes in which register k holds k.
inline Bytes registerReply(int byteCount)
{
    Bytes frame = {0x01, 0x03, std::uint8_t(byteCount)};
    for (int i = 0; i < byteCount; ++i)
        frame.push_back(std::uint8_t(i % 2 == 0 ? 0 : i / 2 + 1));
    return withCrc(frame);
}

// Coils 0 to 7 as "10100000", then registers 1 to 11 up to the last that is not 0.
inline std::string imageOf(const modbus::ModbusMaster &m)
{
    std::string text;
    for (std::int16_t k = 0; k < 8; ++k)
        text += m.CoilStatus(k) ? '1' : '0';
    int last = 11;
    while (last > 0 && m.RegValue[std::size_t(last)] == 0)
        --last;
    for (int k = 1; k <= last; ++k)
        text += ' ' + std::to_string(m.RegValue[std::size_t(k)]);
    return text;
}

inline const std::vector<RequestVector> &requestVectors()
{
    static const std::vector<std::uint8_t> on(1969, 1);
    static const std::vector<RequestVector> vectors = {
        {"read registers", bytesOf("01 03 00 00 00 0B 04 0D"), readRegisters},
        {"read coils", bytesOf("01 01 00 00 00 08 3D CC"), readCoils},
        {"read coils from 300", withCrc(bytesOf("63 01 01 2C 00 10")),
         [](auto &m) { m.ReadCoils(0x63, 300, 16); }},
        {"relay 1 on", bytesOf("01 05 00 00 FF 00 8C 3A"),
         [](auto &m) { m.WriteSingleCoil(1, 1, 1); }},
        {"any state but 0 is on", withCrc(bytesOf("11 05 00 03 FF 00")),
         [](auto &m) { m.WriteSingleCoil(0x11, 4, 7); }},
        {"missing values are off", withCrc(bytesOf("00 0F 00 00 00 08 01 07")),
         [](auto &m) {
             m.WriteMultipleCoils(1, 0, 8, {1, 1, 1});
         }},
        {"broadcast, nine coils", withCrc(bytesOf("00 0F 00 00 00 09 02 FF 01")),
         [](auto &m) { m.WriteMultipleCoils(1, 0, 9, on); }},
        {"1968 coils", withCrc(joined({bytesOf("00 0F 00 00 07 B0 F6"), Bytes(246, 0xFF)})),
         [](auto &m) { m.WriteMultipleCoils(1, 0, 1968, on); }},
        {"1969 coils send nothing", {}, [](auto &m) { m.WriteMultipleCoils(1, 0, 1969, on); }},
        {"no coils send nothing", {}, [](auto &m) { m.WriteMultipleCoils(1, 0, 0, {}); }},
    };
    return vectors;
}

inline const std::vector<ReplyVector> &replyVectors()
{
    static const Bytes badCrc = bytesOf("01 01 01 FF 11 C9"); // one bit off
    static const std::vector<ReplyVector> vectors = {
        {"coils", CoilReply, "10100000", readCoils},
        {"noise first", joined({bytesOf("FF 00 7E 02 55 01 99"), CoilReply}), "10100000",
         readCoils},
        {"exception reply first", joined({withCrc(bytesOf("01 81 02")), CoilReply}), "10100000",
         readCoils},
        {"stray address swallows one reply",
         joined({bytesOf("01"), CoilReply, withCrc(bytesOf("01 01 01 81"))}), "10000001",
         readCoils},
        {"bad CRC is dropped", joined({CoilReply, badCrc}), "10100000", readCoils},
        {"bad CRC, then a frame", joined({badCrc, CoilReply}), "10100000", readCoils},
        {"write echo, then coils", joined({bytesOf("01 05 00 02 FF 00 2D FA"), CoilReply}),
         "10100000", readCoils},
        {"wrong coil byte count", joined({CoilReply, withCrc(bytesOf("01 01 02 FF FF"))}),
         "10100000", readCoils},
        {"another address", CoilReply, "00000000", [](auto &m) { m.ReadCoils(2, 0, 8); }},
        {"reply to an older request", CoilReply, "00000000",
         [](auto &m) {
             readCoils(m);
             readRegisters(m);
         }},
        {"start and quantity", withCrc(bytesOf("01 01 01 FF")), "00111000",
         [](auto &m) { m.ReadCoils(1, 2, 3); }},
        {"registers", registerReply(22), AllRegisters, readRegisters},
        {"registers, one byte over", registerReply(23), AllRegisters, readRegisters},
        {"registers, one byte short", registerReply(21), "00000000", readRegisters},
        {"registers above 32767", withCrc(bytesOf("01 03 04 FF FF 80 00")), "00000000 65535 32768",
         [](auto &m) { m.ReadHoldingRegisters(1, 0, 2); }},
        {"longest frame", registerReply(255), AllRegisters,
         [](auto &m) { m.ReadHoldingRegisters(1, 0, 127); }},
    };
    return vectors;
}
