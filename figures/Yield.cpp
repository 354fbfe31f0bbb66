#include "Yield.h"

#include "LocalTime.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <unordered_map>

namespace figures {

using line::LocalTime;
using line::localTime;
using line::WallTime;
using procedures::Outcome;

namespace {

std::string localDay(WallTime t)
{
    const LocalTime l = localTime(t);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", l.year, l.month, l.day);
    return text;
}

bool judged(Outcome outcome)
{
    return outcome == Outcome::Pass || outcome == Outcome::Fail;
}

// A serial number's first and latest judged run. Runs at the same instant keep the order given.
struct SerialRuns {
    const YieldRun *first = nullptr;
    const YieldRun *latest = nullptr;
};

// Local days begin on a quarter hour of UTC in every zone there is, so each quarter hour lies
// in one day: asking the C runtime once a quarter hour keeps a year's runs quick.
class Days {
public:
    DayYield &of(WallTime t)
    {
        const auto quarter =
            std::chrono::floor<std::chrono::minutes>(t).time_since_epoch().count() / 15;
        auto [it, added] = byQuarter.try_emplace(quarter, nullptr);
        if (added)
            it->second = &days[localDay(t)];
        return *it->second;
    }

    std::vector<DayYield> inOrder()
    {
        std::vector<DayYield> out;
        out.reserve(days.size());
        for (auto &[name, day] : days) {
            day.day = name;
            out.push_back(day);
        }
        return out;
    }

private:
    std::map<std::string, DayYield> days;
    std::unordered_map<std::int64_t, DayYield *> byQuarter;
};

std::optional<double> share(int part, int whole)
{
    if (whole == 0)
        return std::nullopt;
    return double(part) / whole;
}

} // namespace

std::optional<double> DayYield::firstPassYield() const
{
    return share(firstPass, serials);
}

std::optional<double> DayYield::finalYield() const
{
    return share(finalPass, serials);
}

std::vector<DayYield> yieldByDay(const std::vector<YieldRun> &runs)
{
    Days days;
    std::unordered_map<std::string, SerialRuns> serials;
    for (const YieldRun &run : runs) {
        DayYield &day = days.of(run.started);
        ++day.runs;
        switch (run.outcome) {
        case Outcome::Pass:
            ++day.pass;
            break;
        case Outcome::Fail:
            ++day.fail;
            break;
        case Outcome::Error:
            ++day.error;
            break;
        case Outcome::Aborted:
            ++day.aborted;
            break;
        }
        if (run.serialNumber.empty() || !judged(run.outcome))
            continue;
        SerialRuns &s = serials[run.serialNumber];
        if (!s.first || run.started < s.first->started)
            s.first = &run;
        if (!s.latest || run.started >= s.latest->started)
            s.latest = &run;
    }
    for (const auto &[serial, s] : serials) {
        DayYield &day = days.of(s.first->started);
        ++day.serials;
        day.firstPass += s.first->outcome == Outcome::Pass;
        day.finalPass += s.latest->outcome == Outcome::Pass;
    }
    return days.inOrder();
}

} // namespace figures
