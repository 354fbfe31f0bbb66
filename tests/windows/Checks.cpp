#include "Checks.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>

void Checks::run(const std::string &name, const Body &body)
{
    current = name;
    currentFailed = false;
    try {
        body(*this);
    } catch (const std::exception &e) {
        fail(std::string("threw ") + e.what());
    } catch (...) {
        fail("threw something that is not a std::exception");
    }
    ++(currentFailed ? failedCount : passedCount);
}

void Checks::equal(const std::string &what, const std::string &got, const std::string &want)
{
    if (got != want)
        fail(what + ": got \"" + got + "\", want \"" + want + "\"");
}

void Checks::that(const std::string &what, bool holds)
{
    if (!holds)
        fail(what);
}

void Checks::fail(const std::string &why)
{
    currentFailed = true;
    std::printf("FAIL %s: %s\n", current.c_str(), why.c_str());
}

// Both C runtimes read fixed-offset TZ strings alike ("CET-1" is an hour east of UTC), so those
// give exact times on Windows too; zone names such as "Europe/Berlin" only POSIX knows. No TZ
// is the zone the system is set to.
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
