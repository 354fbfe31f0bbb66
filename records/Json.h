#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace records {

// Writes JSON as it goes, two spaces an indent, commas where they belong. The caller nests
// begin and end correctly and gives a key before each value inside an object.
class JsonWriter {
public:
    JsonWriter &beginObject() { return open('{'); }
    JsonWriter &endObject() { return close('}'); }
    JsonWriter &beginArray() { return open('['); }
    JsonWriter &endArray() { return close(']'); }

    JsonWriter &key(std::string_view name);
    JsonWriter &value(std::string_view text);
    JsonWriter &value(const char *text) { return value(std::string_view(text)); }
    JsonWriter &value(long long number);
    JsonWriter &value(int number) { return value(static_cast<long long>(number)); }
    JsonWriter &value(bool yes);
    JsonWriter &value(double number, int decimals);
    JsonWriter &null();

    // The number, or null when there is none.
    JsonWriter &value(const std::optional<int> &number);
    JsonWriter &value(const std::optional<double> &number, int decimals);

    const std::string &text() const { return out; }

private:
    JsonWriter &open(char bracket);
    JsonWriter &close(char bracket);
    JsonWriter &raw(std::string_view token);
    void newLine();

    std::string out;
    std::vector<bool> empty; // per open container: nothing in it yet
    bool afterKey = false;
};

// The text as a JSON string, quotes included.
std::string jsonString(std::string_view text);

} // namespace records
