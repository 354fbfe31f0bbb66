#include "TrafficCsv.h"

#include "CsvField.h"
#include "Words.h"

#include <charconv>

namespace line {

namespace {

constexpr const char *LineEnd = "\r\n";

// One decimal, with a point whatever the locale.
std::string milliseconds(double ms)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, ms, std::chars_format::fixed, 1);
    return {text, result.ptr};
}

} // namespace

std::string trafficCsvHeader()
{
    return std::string("time,request,reply,verdict,response time,meaning,origin") + LineEnd;
}

std::string trafficCsvRow(const Transaction &t, const WallClock &wallClock)
{
    const auto ms = t.responseMs();
    return csvField(dateAndTime(wallClock(t.start))) + ',' + csvField(hex(t.request())) + ',' +
           csvField(hex(t.reply())) + ',' + csvField(verdictText(t)) + ',' +
           (ms ? milliseconds(*ms) : std::string()) + ',' + csvField(meaning(t)) + ',' +
           originWord(t.origin) + LineEnd;
}

} // namespace line
