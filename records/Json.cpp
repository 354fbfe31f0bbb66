#include "Json.h"

#include <charconv>
#include <cstdio>

namespace records {

std::string jsonString(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                quoted += escaped;
            } else {
                quoted += c; // UTF-8 passes as it is
            }
        }
    }
    return quoted + '"';
}

JsonWriter &JsonWriter::key(std::string_view name)
{
    raw(jsonString(name) + ": ");
    afterKey = true;
    return *this;
}

JsonWriter &JsonWriter::value(std::string_view text)
{
    return raw(jsonString(text));
}

JsonWriter &JsonWriter::value(long long number)
{
    return raw(std::to_string(number));
}

JsonWriter &JsonWriter::value(bool yes)
{
    return raw(yes ? "true" : "false");
}

// A point whatever the locale.
JsonWriter &JsonWriter::value(double number, int decimals)
{
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, number, std::chars_format::fixed, decimals);
    return raw(std::string_view(text, std::size_t(result.ptr - text)));
}

JsonWriter &JsonWriter::null()
{
    return raw("null");
}

JsonWriter &JsonWriter::value(const std::optional<int> &number)
{
    return number ? value(*number) : null();
}

JsonWriter &JsonWriter::value(const std::optional<double> &number, int decimals)
{
    return number ? value(*number, decimals) : null();
}

JsonWriter &JsonWriter::open(char bracket)
{
    raw(std::string_view(&bracket, 1));
    empty.push_back(true);
    return *this;
}

JsonWriter &JsonWriter::close(char bracket)
{
    const bool wasEmpty = empty.back();
    empty.pop_back();
    if (!wasEmpty)
        newLine();
    out += bracket;
    if (empty.empty())
        out += '\n';
    return *this;
}

// A value after its key goes on the key's line; any other item on a line of its own.
JsonWriter &JsonWriter::raw(std::string_view token)
{
    if (afterKey) {
        afterKey = false;
    } else if (!empty.empty()) {
        if (!empty.back())
            out += ',';
        empty.back() = false;
        newLine();
    }
    out += token;
    return *this;
}

void JsonWriter::newLine()
{
    out += '\n';
    out.append(2 * empty.size(), ' ');
}

} // namespace records
