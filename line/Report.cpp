#include "Report.h"

#include <cstdio>
#include <ctime>

namespace line {

namespace {

constexpr std::size_t SerialNumberLength = 40;

std::tm localTm(WallTime t)
{
    const std::time_t time =
        std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(t));
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &time);
#else
    localtime_r(&time, &tm);
#endif
    return tm;
}

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
    const std::tm tm = localTm(t);
    char time[32];
    std::strftime(time, sizeof time, "_%Y-%m-%d_%H-%M-%S", &tm);
    return name + time;
}

// strftime's %z gives "+0100"; ISO 8601 wants "+01:00".
std::string isoTime(WallTime t, bool milliseconds)
{
    const std::tm tm = localTm(t);
    char date[32];
    char offset[8];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
    std::strftime(offset, sizeof offset, "%z", &tm);
    std::string text = date;
    if (milliseconds) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            t - std::chrono::floor<std::chrono::seconds>(t));
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, ".%03d", int(ms.count()));
        text += fraction;
    }
    const std::string zone = offset;
    return text + zone.substr(0, 3) + ':' + zone.substr(3);
}

} // namespace line
