// The plain C++ layers, modbus/ and line/, checked against the tables the Qt suites use, so
// that the same program can run where Qt cannot: built for Windows and run under Wine, and
// natively beside the suites. The last line of output is "N passed, M failed".
#include "Checks.h"

#include <cstdio>

int main()
{
    Checks checks;
    tableChecks(checks);
    timeChecks(checks);
    clockChecks(checks);
    recordChecks(checks);
    std::printf("%d passed, %d failed\n", checks.passed(), checks.failed());
    return checks.failed() == 0 && checks.passed() > 0 ? 0 : 1;
}
