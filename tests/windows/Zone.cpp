// Both C runtimes read fixed-offset TZ strings alike ("CET-1" is an hour east of UTC), so those
// give exact times on Windows too; zone names such as "Europe/Berlin" only POSIX knows.
#include "Zone.h"

#include <cstdlib>
#include <ctime>

namespace {

// Wine hands the host's TZ to the program, where the Windows C runtime would misread a name
// like "Europe/Berlin"; without TZ it takes Wine's zone, which Wine took from the host.
#ifndef _WIN32
const std::string Inherited = std::getenv("TZ") ? std::getenv("TZ") : "";
#endif

} // namespace

void useZone(const std::string &tz)
{
#ifdef _WIN32
    _putenv_s("TZ", tz.c_str());
    _tzset();
#else
    if (tz.empty())
        unsetenv("TZ");
    else
        setenv("TZ", tz.c_str(), 1);
    tzset();
#endif
}

void useSystemZone()
{
#ifdef _WIN32
    useZone("");
#else
    useZone(Inherited);
#endif
}
