#pragma once

#include <string>

// A port as a station's slot, or --port, gives it: a COM number from 1 to PortMap::LastPort,
// or a serial device server, tcp://HOST:PORT. Its name as the station's tiles, lines and
// history name the slot ("COM 3", "tcp://192.0.2.10:4001"), or empty, with why, when `given`
// is neither. In std::string, for the station file's reader.
std::string slotPortName(const std::string &given, std::string *why);
