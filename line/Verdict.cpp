// How the bytes after a request are read as its Modbus RTU reply:
//  - a reply is the request's address, its function, data, and the CRC-16 of
//    all that, low byte first;
//  - the data of a normal reply, by function:
//      1, 2   read bits:       byte count, then ceil(quantity / 8) bytes
//      3, 4   read registers:  byte count, then 2 * quantity bytes
//      5, 6   write one:       the request echoed whole
//      15, 16 write many:      start and quantity, as in the request
//    a function not listed here has no length rule;
//  - an exception reply has the function with bit 7 set and one code: 5 bytes;
//  - no bytes at all is No reply; a request to address 0 expects none and is
//    Broadcast whatever follows it;
//  - a frame of the right address, function and length whose CRC fails is a
//    CRC error; a frame with a good CRC from another address is Wrong address;
//  - anything else is Garbled: too short, too long (a good reply with more
//    bytes after it), or not shaped as a reply.
// Noise before a good reply is Garbled too: the monitor is there to show line noise.
#include "Verdict.h"

#include "Crc.h"

#include <algorithm>

namespace line {

namespace {

constexpr std::size_t ShortestFrame = 4;   // address, function, CRC
constexpr std::size_t ExceptionLength = 5; // address, function | 0x80, code, CRC
constexpr std::size_t ReadHeader = 3;      // address, function, byte count
constexpr std::size_t CrcLength = 2;
constexpr std::size_t WriteManyEcho = 6; // address, function, start, quantity

// The whole length of a normal reply, for the functions that have a rule.
std::optional<std::size_t> normalLength(ByteView request)
{
    const auto quantity = wordAt(request, 4);
    if (!quantity)
        return std::nullopt;
    switch (request[1]) {
    case ReadCoils:
    case ReadDiscreteInputs:
        return ReadHeader + (std::size_t{*quantity} + 7) / 8 + CrcLength;
    case ReadHoldingRegisters:
    case ReadInputRegisters:
        return ReadHeader + 2 * std::size_t{*quantity} + CrcLength;
    case WriteSingleCoil:
    case WriteSingleRegister:
    case WriteMultipleCoils:
    case WriteMultipleRegisters:
        return 8;
    default:
        return std::nullopt;
    }
}

bool startsWith(ByteView frame, ByteView head)
{
    return frame.size() >= head.size() && std::equal(head.begin(), head.end(), frame.begin());
}

// Whether the data between function and CRC answers what the request asked.
bool dataAnswers(ByteView request, ByteView reply)
{
    switch (request[1]) {
    case ReadCoils:
    case ReadDiscreteInputs:
    case ReadHoldingRegisters:
    case ReadInputRegisters:
        return reply[2] == reply.size() - ReadHeader - CrcLength;
    case WriteSingleCoil:
    case WriteSingleRegister:
        return startsWith(reply, request) && reply.size() == request.size();
    case WriteMultipleCoils:
    case WriteMultipleRegisters:
        return request.size() >= WriteManyEcho &&
               startsWith(reply, ByteView(request.begin(), WriteManyEcho));
    default:
        return true;
    }
}

} // namespace

Verdict verdictOf(ByteView request, ByteView reply)
{
    if (request.empty())
        return Verdict::Unsolicited;
    if (request[0] == BroadcastAddress)
        return Verdict::Broadcast;
    if (reply.empty())
        return Verdict::NoReply;
    if (reply.size() < ShortestFrame || request.size() < 2)
        return Verdict::Garbled;

    const bool crcGood = crcMatches(reply);
    if (reply[0] != request[0])
        return crcGood ? Verdict::WrongAddress : Verdict::Garbled;

    const std::uint8_t function = request[1];
    if (reply[1] == (function | ExceptionBit) && reply.size() == ExceptionLength)
        return crcGood ? Verdict::Exception : Verdict::CrcError;
    if (reply[1] != function)
        return Verdict::Garbled;
    const auto length = normalLength(request);
    if (length && reply.size() != *length)
        return Verdict::Garbled;
    if (!crcGood)
        return Verdict::CrcError;
    return dataAnswers(request, reply) ? Verdict::Ok : Verdict::Garbled;
}

bool replyComplete(ByteView request, ByteView reply)
{
    if (request.size() < 2 || request[0] == BroadcastAddress)
        return false;
    if (reply.size() >= ExceptionLength && reply[1] == (request[1] | ExceptionBit))
        return true;
    const auto length = normalLength(request);
    return length && reply.size() >= *length;
}

const char *verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Ok:
        return "ok";
    case Verdict::NoReply:
        return "no_reply";
    case Verdict::CrcError:
        return "crc_error";
    case Verdict::Exception:
        return "exception";
    case Verdict::WrongAddress:
        return "wrong_address";
    case Verdict::Garbled:
        return "garbled";
    case Verdict::Broadcast:
        return "broadcast";
    case Verdict::Unsolicited:
        return "unsolicited";
    case Verdict::CutShort:
        return "cut_short";
    case Verdict::PortClosed:
        return "port_closed";
    }
    return "";
}

std::optional<Verdict> verdictNamed(const std::string &name)
{
    for (int v = 0; v <= int(Verdict::PortClosed); ++v)
        if (name == verdictName(Verdict(v)))
            return Verdict(v);
    return std::nullopt;
}

bool modulesFault(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Ok:
    case Verdict::Broadcast:
    case Verdict::Unsolicited:
    case Verdict::CutShort:
    case Verdict::PortClosed:
        return false;
    case Verdict::NoReply:
    case Verdict::CrcError:
    case Verdict::Exception:
    case Verdict::WrongAddress:
    case Verdict::Garbled:
        break;
    }
    return true;
}

} // namespace line
