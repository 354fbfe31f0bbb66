// Every time the program writes, from one instant: the reports' ISO 8601 with its UTC offset,
// the CSV's date and time, the monitor's time of day, and report file names. Exactly, in zones
// set by TZ; and in the zone the system is set to, well formed and naming the same instant.
#include "Checks.h"
#include "Exchange.h"
#include "LineVectors.h"
#include "Report.h"
#include "TrafficCsv.h"
#include "Words.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace std::chrono_literals;

namespace {

// Wine hands the host's TZ to the program, where the Windows C runtime would misread a name
// like "Europe/Berlin"; without TZ it takes Wine's zone, which Wine took from the host.
#ifdef _WIN32
const std::string SystemZone;
#else
const std::string SystemZone = std::getenv("TZ") ? std::getenv("TZ") : "";
#endif

struct TimeVector {
    const char *zone;
    std::int64_t ms; // since 1970 UTC
    const char *iso;
    bool posixOnly; // a zone name the Windows C runtime does not know
};

const TimeVector TimeVectors[] = {
    {"UTC0", 1796652201042, "2026-12-07T14:03:21.042+00:00", false},
    {"CET-1", 1796652201042, "2026-12-07T15:03:21.042+01:00", false},
    {"NST+3:30", 1796652201042, "2026-12-07T10:33:21.042-03:30", false},
    {"NZT-13", 1798747200999, "2027-01-01T09:00:00.999+13:00", false}, // a year ahead of UTC
    {"PST+8", 1798772400000, "2026-12-31T19:00:00.000-08:00", false},  // a year behind
    {"Europe/Berlin", 1796652201042, "2026-12-07T15:03:21.042+01:00", true},
    {"Europe/Berlin", 1782907200500, "2026-07-01T14:00:00.500+02:00", true}, // summer time
};

int number(const std::string &iso, std::size_t at, std::size_t length)
{
    return std::stoi(iso.substr(at, length));
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = int(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The instant a well-formed "2026-12-07T15:03:21.042+01:00" names, in ms since 1970 UTC.
std::int64_t instantOf(const std::string &iso)
{
    const std::int64_t days =
        daysFromCivil(number(iso, 0, 4), number(iso, 5, 2), number(iso, 8, 2));
    const int sign = iso[23] == '-' ? -1 : 1;
    const int offsetMinutes = sign * (number(iso, 24, 2) * 60 + number(iso, 27, 2));
    const std::int64_t localSeconds =
        days * 86400 + number(iso, 11, 2) * 3600 + number(iso, 14, 2) * 60 + number(iso, 17, 2);
    return (localSeconds - offsetMinutes * 60) * 1000 + number(iso, 20, 3);
}

// The time column of a CSV row for a transaction that started at t.
std::string csvTime(line::WallTime t)
{
    const line::Time t0 = line::Time() + 1h;
    line::LineMonitor m(10, [&](line::Time at) { return t + (at - t0); });
    exchange(m, t0, bytesOf(ReadCoils0To7), bytesOf(CoilsReply));
    m.closeNow();
    if (m.traffic().empty())
        return {};
    const std::string row = line::trafficCsvRow(m.traffic().newest(), m.wallClock());
    return row.substr(0, row.find(','));
}

// What each of the other times must say, given the ISO 8601 one with milliseconds.
void agreesWithIso(Checks &c, line::WallTime t, const std::string &iso)
{
    const std::string date = iso.substr(0, 10);
    const std::string time = iso.substr(11, 12); // "15:03:21.042"
    std::string fileTime = time.substr(0, 8);
    fileTime[2] = fileTime[5] = '-';
    c.equal("without milliseconds", records::isoTime(t), iso.substr(0, 19) + iso.substr(23));
    c.equal("date and time", line::dateAndTime(t), date + ' ' + time);
    c.equal("CSV", csvTime(t), date + ' ' + time);
    c.equal("time of day", line::timeOfDay(t), time);
    c.equal("file name", records::reportFileName("SN 12/34", t, "html"),
            "SN_12_34_" + date + '_' + fileTime + ".html");
}

} // namespace

void timeChecks(Checks &checks)
{
    for (const TimeVector &v : TimeVectors) {
#ifdef _WIN32
        if (v.posixOnly)
            continue;
#endif
        checks.run(std::string("time in ") + v.zone + ": " + v.iso, [&](Checks &c) {
            useZone(v.zone);
            const line::WallTime t{std::chrono::milliseconds(v.ms)};
            c.that("the table's time names its instant", instantOf(v.iso) == v.ms);
            c.equal("ISO 8601", records::isoTime(t, true), v.iso);
            agreesWithIso(c, t, v.iso);
        });
    }

    useZone(SystemZone);
    for (const TimeVector &v : TimeVectors) {
        checks.run(std::string("time in the system's zone: ") + v.iso, [&](Checks &c) {
            const line::WallTime t{std::chrono::milliseconds(v.ms)};
            const std::string iso = records::isoTime(t, true);
            if (&v == &TimeVectors[0])
                std::printf("the system's zone: %s\n", iso.c_str());
            // The fixed zones check the digits and separators; here the offset may be any.
            const bool wellFormed = iso.size() == 29 && (iso[23] == '+' || iso[23] == '-');
            c.that("\"" + iso + "\" is well formed", wellFormed);
            if (!wellFormed)
                return;
            c.that("\"" + iso + "\" names the instant", instantOf(iso) == v.ms);
            agreesWithIso(c, t, iso);
        });
    }
}
