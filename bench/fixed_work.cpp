// A control for the CPU benchmarks: the same small work once a second, about as much as
// polling costs (a millisecond of arithmetic and 40 system calls on a pipe), measured as
// bench_poll measures the tester. Run beside each run, it shows what the machine alone does
// to the figures: a rise that it shares is the machine's, not the program's. Usage:
//   fixed_work SECONDS
// Prints the share of one core, user and system time together, and the kernel's share of it.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace {

double secondsOf(const timeval &t)
{
    return double(t.tv_sec) + t.tv_usec / 1e6;
}

rusage usage()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u;
}

} // namespace

int main(int argc, char *argv[])
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;
    std::array<int, 2> pipeEnds{};
    if (pipe(pipeEnds.data()) != 0) {
        std::perror("fixed_work: pipe");
        return 1;
    }
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    volatile double x = 1.0; // kept, so the arithmetic is done
    std::array<char, 8> bytes{};
    const rusage start = usage();
    for (int s = 0; s < seconds; ++s) {
        ++next.tv_sec;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        for (int i = 0; i < 20; ++i)
            if (write(pipeEnds[1], bytes.data(), bytes.size()) != ssize_t(bytes.size()) ||
                read(pipeEnds[0], bytes.data(), bytes.size()) != ssize_t(bytes.size())) {
                std::perror("fixed_work: pipe");
                return 1;
            }
        for (long i = 0; i < 400000; ++i)
            x = x * 1.0000001 + 1e-9;
    }
    const rusage end = usage();
    const double user = secondsOf(end.ru_utime) - secondsOf(start.ru_utime);
    const double system = secondsOf(end.ru_stime) - secondsOf(start.ru_stime);
    std::printf("%.3f %% of a core over %d s (%.3f %% in the kernel), fixed work\n",
                100.0 * (user + system) / seconds, seconds, 100.0 * system / seconds);
    return 0;
}
