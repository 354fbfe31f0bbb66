#pragma once

#include <string>

// A port as a station's slot, or --port, gives it: a COM number from 1 to PortMap::LastPort
// ("3", "03"), or a serial device server, tcp://HOST:PORT, its scheme and host in any case.
// Its name is how the station's tiles, lines and history name the slot ("COM 3",
// "tcp://192.0.2.10:4001"), one name however the port was written, so that names compare.
struct SlotPort {
    int comNumber = 0; // 0 for a server
    std::string name;  // empty when the text given is neither
};

// The port `given` names, or an empty name with why it names none. In std::string, for the
// station file's reader.
SlotPort slotPort(const std::string &given, std::string *why);

inline std::string slotPortName(const std::string &given, std::string *why)
{
    return slotPort(given, why).name;
}
