// A Modbus TCP frame opens with a 7-byte MBAP header, high byte first:
//   transaction id  2 bytes, any value
//   protocol id     2 bytes, always 0
//   length          2 bytes: the bytes that follow it, unit id and PDU; at
//                   least 2 (unit id and function code), at most 254
//   unit id         1 byte
// and carries a PDU but no CRC. Bytes look like MBAP when they are a run of
// such frames, each exactly as long as its length field says, with nothing
// left over; bytes that also end in a good RTU CRC are taken for RTU.
#include "Mbap.h"

#include "Crc.h"

namespace line {

namespace {

constexpr std::size_t LengthFieldEnd = 6; // where the bytes the length counts begin
constexpr std::uint16_t MinLength = 2;
constexpr std::uint16_t MaxLength = 254;

} // namespace

bool looksLikeMbap(ByteView bytes)
{
    if (bytes.empty() || crcMatches(bytes))
        return false;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const ByteView frame = bytes.from(at);
        const auto protocol = wordAt(frame, 2);
        const auto length = wordAt(frame, 4);
        if (!protocol || !length || *protocol != 0 || *length < MinLength || *length > MaxLength ||
            LengthFieldEnd + *length > frame.size())
            return false;
        at += LengthFieldEnd + *length;
    }
    return true;
}

std::string protocolWords(const Transaction &t)
{
    return looksLikeMbap(t.reply()) ? ModbusTcpWords : std::string();
}

} // namespace line
