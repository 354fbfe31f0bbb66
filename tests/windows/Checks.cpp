#include "Checks.h"

#include <cstdio>
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
