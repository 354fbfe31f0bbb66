#pragma once

#include <string>

// The C runtime's time zone for the checks that follow.
void useZone(const std::string &tz); // "CET-1", or on POSIX "Europe/Berlin" too
void useSystemZone();
