#pragma once

#include "Bytes.h"

// Bytes on the line and what the line monitor must make of them: one request
// (none for bytes that came unasked), the bytes received after it, the verdict
// and the meaning. CRCs were worked out by hand, not by the monitor.
struct LineVector {
    const char *name;
    const char *request;
    const char *reply;
    const char *verdict;
    const char *meaning;
};

constexpr const char *ReadCoils0To7 = "01 01 00 00 00 08 3D CC";
constexpr const char *CoilsReply = "01 01 01 85 90 2B"; // coils 0, 2 and 7 on

inline const LineVector LineVectors[] = {
    {"read coils", ReadCoils0To7, CoilsReply, "OK", "Read Coils 0-7 (relays 1-8): 1 0 1 0 0 0 0 1"},
    {"read holding registers", "01 03 00 00 00 0B 04 0D",
     "01 03 16 00 00 00 00 00 00 00 00 01 2C 02 BC 03 FF 00 01 00 00 00 00 00 01 3A A0", "OK",
     "Read Holding Registers 0-10: 0 0 0 0 300 700 1023 1 0 0 1"},
    {"read discrete inputs", "01 02 00 00 00 04 79 C9", "01 02 01 0A 21 8F", "OK",
     "Read Discrete Inputs 0-3: 0 1 0 1"},
    {"read one input register", "01 04 00 04 00 01 70 0B", "01 04 02 01 2C B9 7D", "OK",
     "Read Input Registers 4: 300"},
    {"write single coil", "01 05 00 02 FF 00 2D FA", "01 05 00 02 FF 00 2D FA", "OK",
     "Write Single Coil 2 (relay 3) ON"},
    {"write single register", "01 06 00 01 00 2A 59 D5", "01 06 00 01 00 2A 59 D5", "OK",
     "Write Single Register 1: 42"},
    {"write multiple coils", "11 0F 00 00 00 08 01 05 3F 9A", "11 0F 00 00 00 08 56 9D", "OK",
     "Write Multiple Coils 0-7 (relays 1-8): 1 0 1 0 0 0 0 0"},
    {"write multiple registers", "01 10 00 00 00 02 04 00 01 00 02 23 AE",
     "01 10 00 00 00 02 41 C8", "OK", "Write Multiple Registers 0-1: 1 2"},
    {"broadcast all on", "00 0F 00 00 00 08 01 FF 7F 19", "", "Broadcast",
     "Write Multiple Coils 0-7 (relays 1-8) to all: ON"},
    {"broadcast answered", "00 0F 00 00 00 08 01 00 3F 59", "01 02", "Broadcast",
     "Write Multiple Coils 0-7 (relays 1-8) to all: OFF"},
    {"no reply", ReadCoils0To7, "", "No reply", "Read Coils 0-7 (relays 1-8)"},
    {"unknown function", "01 2B 0E 01 00 70 77", "", "No reply", "Function 0x2B"},
    {"crc error", ReadCoils0To7, "01 01 01 85 90 2C", "CRC error", "Read Coils 0-7 (relays 1-8)"},
    {"crc error in an exception", ReadCoils0To7, "01 81 02 C1 92", "CRC error",
     "Read Coils 0-7 (relays 1-8)"},
    {"exception 2", ReadCoils0To7, "01 81 02 C1 91", "Exception 2",
     "Exception 2: illegal data address"},
    {"exception 7", ReadCoils0To7, "01 81 07 01 92", "Exception 7",
     "Exception 7: unknown exception"},
    {"wrong address", ReadCoils0To7, "02 01 01 85 90 6F", "Wrong address",
     "Read Coils 0-7 (relays 1-8)"},
    {"other address, bad crc", ReadCoils0To7, "02 01 01 85 90 6E", "Garbled",
     "Read Coils 0-7 (relays 1-8)"},
    {"too short", ReadCoils0To7, "01 01 01", "Garbled", "Read Coils 0-7 (relays 1-8)"},
    {"noise before a good reply", ReadCoils0To7, "FF AA FE 01 01 01 85 90 2B", "Garbled",
     "Read Coils 0-7 (relays 1-8)"},
    {"good reply, then junk", ReadCoils0To7, "01 01 01 85 90 2B 55", "Garbled",
     "Read Coils 0-7 (relays 1-8)"},
    {"exception, then junk", ReadCoils0To7, "01 81 02 C1 91 00", "Garbled",
     "Read Coils 0-7 (relays 1-8)"},
    {"byte count wrong", ReadCoils0To7, "01 01 02 85 90 DB", "Garbled",
     "Read Coils 0-7 (relays 1-8)"},
    {"another function's reply", ReadCoils0To7, "01 03 02 00 00 B8 44", "Garbled",
     "Read Coils 0-7 (relays 1-8)"},
    {"echo of another coil", "01 05 00 02 FF 00 2D FA", "01 05 00 03 FF 00 7C 3A", "Garbled",
     "Write Single Coil 2 (relay 3) ON"},
    {"unsolicited", "", "01 01 01 85 90 2B 01 01 01 85 90 2B", "Unsolicited",
     "12 bytes with no request"},
};
