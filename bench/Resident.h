#pragma once

#include <fstream>
#include <string>

// The process's resident memory now, in KiB, as the kernel counts it; 0 where it cannot tell.
inline long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    return 0;
}
