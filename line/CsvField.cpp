#include "CsvField.h"

#include <string_view>

namespace line {

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
