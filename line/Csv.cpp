#include "Csv.h"

#include "Words.h"

#include <charconv>
#include <string_view>

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

std::string csvHeader()
{
    return std::string("time,request,reply,verdict,response time,meaning,origin") + LineEnd;
}

std::string csvRow(const Transaction &t, const WallClock &wallClock)
{
    const auto ms = t.responseMs();
    return csvField(dateAndTime(wallClock(t.start))) + ',' + csvField(hex(t.request())) + ',' +
           csvField(hex(t.reply())) + ',' + csvField(verdictText(t)) + ',' +
           (ms ? milliseconds(*ms) : std::string()) + ',' + csvField(meaning(t)) + ',' +
           originWord(t.origin) + LineEnd;
}

std::string csvField(const std::string &text)
{
    // A spreadsheet runs a field that begins like a formula: a serial number typed as
    // =HYPERLINK(...) would. The quote before it makes it text.
    const bool formula =
        !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
    const std::string field = formula ? "'" + text : text;
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace line
