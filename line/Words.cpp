#include "Words.h"

#include "LocalTime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace line {

namespace {

constexpr std::size_t CrcLength = 2;

const char *functionName(std::uint8_t function)
{
    switch (function) {
    case ReadCoils:
        return "Read Coils";
    case ReadDiscreteInputs:
        return "Read Discrete Inputs";
    case ReadHoldingRegisters:
        return "Read Holding Registers";
    case ReadInputRegisters:
        return "Read Input Registers";
    case WriteSingleCoil:
        return "Write Single Coil";
    case WriteSingleRegister:
        return "Write Single Register";
    case WriteMultipleCoils:
        return "Write Multiple Coils";
    case WriteMultipleRegisters:
        return "Write Multiple Registers";
    default:
        return nullptr;
    }
}

std::string hexByte(std::uint8_t byte)
{
    constexpr char digits[] = "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 0x0F]};
}

// "0-7", or "5" for one item.
std::string span(std::uint16_t start, std::uint16_t quantity)
{
    if (quantity == 0)
        return std::to_string(start) + " (none)";
    if (quantity == 1)
        return std::to_string(start);
    return std::to_string(start) + "-" + std::to_string(start + quantity - 1U);
}

// The data that the byte count at index i announces, never reaching into the CRC.
ByteView counted(ByteView frame, std::size_t i)
{
    if (frame.size() < i + 1 + CrcLength)
        return {};
    const std::size_t room = frame.size() - (i + 1) - CrcLength;
    return {frame.begin() + i + 1, std::min<std::size_t>(frame[i], room)};
}

// Item k is bit k % 8 of byte k / 8: the first byte's lowest bit is the first item.
std::string bits(ByteView data, std::size_t quantity)
{
    std::string text;
    for (std::size_t k = 0; k < quantity && k / 8 < data.size(); ++k) {
        if (k > 0)
            text += ' ';
        text += (data[k / 8] >> (k % 8) & 1) ? '1' : '0';
    }
    return text;
}

std::string registers(ByteView data, std::size_t quantity)
{
    std::string text;
    for (std::size_t k = 0; k < quantity && 2 * k + 1 < data.size(); ++k) {
        if (k > 0)
            text += ' ';
        text += std::to_string(*wordAt(data, 2 * k));
    }
    return text;
}

// Coils written all alike say so in one word.
std::string writtenCoils(ByteView data, std::size_t quantity)
{
    std::string text = bits(data, quantity);
    const bool whole = quantity > 0 && text.size() == 2 * quantity - 1;
    if (whole && text.find('0') == std::string::npos)
        return "ON";
    if (whole && text.find('1') == std::string::npos)
        return "OFF";
    return text;
}

std::string coilState(std::uint16_t value)
{
    if (value == 0xFF00)
        return "ON";
    if (value == 0x0000)
        return "OFF";
    return "0x" + hexByte(std::uint8_t(value >> 8)) + hexByte(std::uint8_t(value));
}

// Coils 0 to 7 are relays 1 to 8: a meaning that names coils names their relays too, so that
// the monitor and a report's "relay 3" speak of the same thing. Coils past the module's
// eight are left as they are.
constexpr std::uint16_t RelayCoils = 8;

std::string relays(std::uint16_t start, std::uint16_t quantity)
{
    if (quantity == 0 || start + quantity > RelayCoils)
        return {};
    if (quantity == 1)
        return " (relay " + std::to_string(start + 1) + ")";
    return " (relays " + std::to_string(start + 1) + "-" + std::to_string(start + quantity) + ")";
}

bool namesCoils(std::uint8_t function)
{
    return function == ReadCoils || function == WriteSingleCoil || function == WriteMultipleCoils;
}

struct Described {
    std::string what;  // "Read Coils 0-7 (relays 1-8)"
    std::string value; // what is written, or what a good reply read
};

// The request alone: fields are start and quantity, or for a single write the
// address and value.
Described describe(ByteView request)
{
    const std::uint8_t function = request[1];
    const char *name = functionName(function);
    if (name == nullptr)
        return {"Function 0x" + hexByte(function), {}};
    const auto first = wordAt(request, 2);
    const auto second = wordAt(request, 4);
    if (!first || !second)
        return {name, {}};
    const std::string what = std::string(name) + " " + span(*first, *second) +
                             (namesCoils(function) ? relays(*first, *second) : "");
    switch (function) {
    case WriteSingleCoil:
        return {std::string(name) + " " + std::to_string(*first) + relays(*first, 1) + " " +
                    coilState(*second),
                {}};
    case WriteSingleRegister:
        return {std::string(name) + " " + std::to_string(*first), std::to_string(*second)};
    case WriteMultipleCoils:
        return {what, writtenCoils(counted(request, 6), *second)};
    case WriteMultipleRegisters:
        return {what, registers(counted(request, 6), *second)};
    default:
        return {what, {}};
    }
}

std::string readValues(ByteView request, ByteView reply)
{
    const std::size_t quantity = wordAt(request, 4).value_or(0);
    switch (request[1]) {
    case ReadCoils:
    case ReadDiscreteInputs:
        return bits(counted(reply, 2), quantity);
    case ReadHoldingRegisters:
    case ReadInputRegisters:
        return registers(counted(reply, 2), quantity);
    default:
        return {};
    }
}

} // namespace

std::string verdictText(const Transaction &t)
{
    switch (t.verdict) {
    case Verdict::Ok:
        return "OK";
    case Verdict::NoReply:
        return "No reply";
    case Verdict::CrcError:
        return "CRC error";
    case Verdict::Exception:
        return "Exception " + std::to_string(t.exceptionCode().value_or(0));
    case Verdict::WrongAddress:
        return "Wrong address";
    case Verdict::Garbled:
        return "Garbled";
    case Verdict::Broadcast:
        return "Broadcast";
    case Verdict::Unsolicited:
        return "Unsolicited";
    case Verdict::CutShort:
        return "Cut short";
    case Verdict::PortClosed:
        return "Port closed";
    }
    return {};
}

std::string statusText(const Transaction &t)
{
    if (t.verdict != Verdict::Ok)
        return verdictText(t);
    return "OK " + std::to_string(wholeMs(t.responseMs().value_or(0))) + " ms";
}

long long wholeMs(double ms)
{
    // The record's tenth rounds up to the next whole millisecond (x.5 to x.9, or carried on from
    // x.95) exactly when the part after the whole number is over 0.45. No double is 0.45 itself,
    // nor lies between 0.45 and the double nearest it, so the comparison below cannot err either
    // way; ms - whole is exact, whole being 0 or at least half of ms. Without the text, the C++
    // library's number code stays out of the window's memory (docs/measurements.md, "Footprint").
    if (!(std::fabs(ms) < 1e18)) // not a duration: NaN, infinite, or 31 million years
        return 0;
    if (ms < 0)
        return -wholeMs(-ms);
    const double whole = std::floor(ms);
    return static_cast<long long>(whole) + (ms - whole >= 0.45 ? 1 : 0);
}

std::string exceptionName(std::uint8_t code)
{
    switch (code) {
    case 1:
        return "illegal function";
    case 2:
        return "illegal data address";
    case 3:
        return "illegal data value";
    case 4:
        return "server device failure";
    case 5:
        return "acknowledge";
    case 6:
        return "server device busy";
    case 8:
        return "memory parity error";
    case 10:
        return "gateway path unavailable";
    case 11:
        return "gateway target device failed to respond";
    default:
        return "unknown exception";
    }
}

std::string meaning(const Transaction &t)
{
    const ByteView request = t.request();
    if (t.verdict == Verdict::Unsolicited) {
        const std::size_t n = t.reply().size();
        return std::to_string(n) + (n == 1 ? " byte" : " bytes") + " with no request";
    }
    if (const auto code = t.exceptionCode())
        return "Exception " + std::to_string(*code) + ": " + exceptionName(*code);
    if (request.size() < 2)
        return "Request cut short";

    Described described = describe(request);
    if (t.verdict == Verdict::Ok && described.value.empty())
        described.value = readValues(request, t.reply());
    std::string text = described.what;
    if (request[0] == BroadcastAddress)
        text += " to all";
    if (!described.value.empty())
        text += ": " + described.value;
    return text;
}

std::string hex(ByteView bytes)
{
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += hexByte(byte);
    }
    return text;
}

std::string timeOfDay(WallTime t)
{
    const LocalTime l = localTime(t);
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", l.hour, l.minute, l.second,
                  l.millisecond);
    return text;
}

std::string dateAndTime(WallTime t)
{
    const LocalTime l = localTime(t);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", l.year, l.month, l.day,
                  l.hour, l.minute, l.second, l.millisecond);
    return text;
}

} // namespace line
