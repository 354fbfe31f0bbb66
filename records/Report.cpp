#include "Report.h"

#include "LocalTime.h"

#include <cstdio>
#include <cstdlib>

namespace records {

using line::LocalTime;
using line::localTime;
using line::WallTime;

namespace {

constexpr std::size_t SerialNumberLength = 40;

bool safeInFileName(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

} // namespace

std::string reportFileName(const std::string &serialNumber, WallTime t,
                           const std::string &extension)
{
    return reportFileStem(serialNumber, t) + '.' + extension;
}

std::string reportFileStem(const std::string &serialNumber, WallTime t)
{
    std::string name = serialNumber.substr(0, SerialNumberLength);
    for (char &c : name)
        if (!safeInFileName(c))
            c = '_';
    if (name.empty())
        name = "no-serial";
    if (name.front() == '.')
        name.front() = '_';
    const LocalTime l = localTime(t);
    char time[32];
    std::snprintf(time, sizeof time, "_%04d-%02d-%02d_%02d-%02d-%02d", l.year, l.month, l.day,
                  l.hour, l.minute, l.second);
    return name + time;
}

std::string isoTime(WallTime t, bool milliseconds)
{
    const LocalTime l = localTime(t);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", l.year, l.month, l.day,
                  l.hour, l.minute, l.second);
    std::string iso = text;
    if (milliseconds) {
        std::snprintf(text, sizeof text, ".%03d", l.millisecond);
        iso += text;
    }
    const int offset = std::abs(l.utcOffsetMinutes);
    std::snprintf(text, sizeof text, "%c%02d:%02d", l.utcOffsetMinutes < 0 ? '-' : '+', offset / 60,
                  offset % 60);
    return iso + text;
}

} // namespace records
