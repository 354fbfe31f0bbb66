#include "Fixture.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>

namespace line {

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";
// Far more than any fixture needs; a file this long was named by mistake.
constexpr std::size_t MostFileBytes = 64 * 1024;
constexpr std::size_t MostQuotedBytes = 40;

std::string_view trimmed(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

// UTF-8 as it should be: no stray or overlong sequences, no surrogates, nothing past U+10FFFF;
// and no control characters but the tab.
bool isText(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(s[at]); };
        const unsigned char b = byte(i);
        if (b < 0x80) {
            if ((b < 0x20 && b != '\t') || b == 0x7F)
                return false;
            ++i;
            continue;
        }
        const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (length == 0 || b > 0xF4 || b == 0xC0 || b == 0xC1 || i + length > s.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((byte(i + k) & 0xC0) != 0x80)
                return false;
        const unsigned char second = byte(i + 1);
        if ((b == 0xE0 && second < 0xA0) || (b == 0xED && second >= 0xA0) ||
            (b == 0xF0 && second < 0x90) || (b == 0xF4 && second >= 0x90))
            return false;
        i += length;
    }
    return true;
}

// A value as the reason shows it: a number as it is, anything else in quotes, cut short at a
// character's edge when long.
std::string shown(std::string_view s)
{
    if (!s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::string(s.substr(0, MostQuotedBytes));
    if (s.size() <= MostQuotedBytes)
        return "\"" + std::string(s) + "\"";
    std::size_t cut = MostQuotedBytes;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80)
        --cut;
    return "\"" + std::string(s.substr(0, cut)) + "...\"";
}

// Decimal digits alone, from `least` to `most`.
std::optional<int> number(std::string_view s, int least, int most)
{
    s = trimmed(s);
    if (s.empty() || s.size() > 9 ||
        !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int value = 0;
    std::from_chars(s.data(), s.data() + s.size(), value);
    if (value < least || value > most)
        return std::nullopt;
    return value;
}

std::string range(const AnalogRange &r)
{
    return std::to_string(r.low) + "-" + std::to_string(r.high);
}

struct Refused {
    std::string reason;
};

[[noreturn]] void refuse(std::string reason)
{
    throw Refused{std::move(reason)};
}

// Reads a fixture a line at a time; refuse() ends it at the line being read.
class Parser {
public:
    Fixture parse(std::string_view text)
    {
        while (!text.empty()) {
            const std::size_t end = std::min(text.find('\n'), text.size());
            std::string_view line = text.substr(0, end);
            text.remove_prefix(std::min(end + 1, text.size()));
            ++lineNumber;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (!isText(line))
                refuse("is not UTF-8 text");
            read(trimmed(line));
        }
        lineNumber = 0;
        if (!nameLine)
            refuse("no name in [fixture]");
        const auto byInput = [](const auto &a, const auto &b) { return a.input < b.input; };
        std::sort(fixture.digital.begin(), fixture.digital.end(), byInput);
        std::sort(fixture.analog.begin(), fixture.analog.end(), byInput);
        return fixture;
    }

    int line() const { return lineNumber; }

private:
    enum class Section { None, Fixture, Digital, Analog };

    void read(std::string_view line)
    {
        if (line.empty() || line.front() == ';' || line.front() == '#')
            return;
        if (line.front() == '[') {
            if (line.back() != ']')
                refuse(shown(line) + " is not a [section]");
            const std::string name = lowered(trimmed(line.substr(1, line.size() - 2)));
            if (name == "fixture")
                section = Section::Fixture;
            else if (name == "digital")
                section = Section::Digital;
            else if (name == "analog")
                section = Section::Analog;
            else
                refuse("unknown section " + shown(line) + " (fixture, digital, analog)");
            return;
        }
        const std::size_t equals = line.find('=');
        const std::string_view key = trimmed(line.substr(0, equals));
        if (equals == std::string_view::npos || key.empty())
            refuse(shown(line) + " is neither key=value nor a [section]");
        const std::string_view value = trimmed(line.substr(equals + 1));
        switch (section) {
        case Section::None:
            refuse(shown(line) + " comes before any [section]");
        case Section::Fixture:
            return fixtureKey(key, value);
        case Section::Digital:
            return digitalKey(key, value);
        case Section::Analog:
            return analogKey(key, value);
        }
    }

    void fixtureKey(std::string_view key, std::string_view value)
    {
        const std::string name = lowered(key);
        if (name == "name") {
            given(nameLine, "name");
            if (value.empty())
                refuse("name is empty");
            fixture.name = std::string(value);
        } else if (name == "settle_ms") {
            given(settleLine, "settle_ms");
            const auto ms = number(value, 0, int(Fixture::LongestSettle.count()));
            if (!ms)
                refuse("settle_ms " + shown(value) + " is not a number of milliseconds from 0 to " +
                       std::to_string(Fixture::LongestSettle.count()));
            fixture.settle = std::chrono::milliseconds(*ms);
        } else {
            refuse("unknown key " + shown(key) + " in [fixture] (name, settle_ms)");
        }
    }

    void digitalKey(std::string_view key, std::string_view value)
    {
        const int in = input(key, "digital", Fixture::DigitalInputs, digitalLines);
        fixture.digital.push_back({in, relay(value, "digital input " + std::to_string(in))});
    }

    void analogKey(std::string_view key, std::string_view value)
    {
        const int in = input(key, "analog", Fixture::AnalogInputs, analogLines);
        std::array<std::string_view, 3> parts;
        std::size_t count = 0;
        for (std::string_view rest = value;; ++count) {
            const std::size_t comma = rest.find(',');
            if (count < parts.size())
                parts[count] = rest.substr(0, comma);
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
        if (count + 1 != parts.size())
            refuse(shown(value) +
                   " is not the relay, the range with it off and the range with it on, "
                   "e.g. 5,200-300,700-800");
        AnalogLoop loop{in, relay(parts[0], "analog input " + std::to_string(in)),
                        analogRange(parts[1]), analogRange(parts[2])};
        if (loop.off.low > loop.on.high)
            refuse("the range with the relay off (" + range(loop.off) +
                   ") lies above the one with it on (" + range(loop.on) + ")");
        if (loop.off.high >= loop.on.low)
            refuse("the range with the relay off (" + range(loop.off) +
                   ") overlaps the one with it on (" + range(loop.on) + ")");
        fixture.analog.push_back(loop);
    }

    // The input a key names, listed for the first time.
    template <std::size_t N>
    int input(std::string_view key, const char *kind, int most, std::array<int, N> &lines)
    {
        const auto in = number(key, 1, most);
        if (!in)
            refuse("input " + shown(key) + " is not " + (*kind == 'a' ? "an " : "a ") + kind +
                   " input (1-" + std::to_string(most) + ")");
        int &first = lines[std::size_t(*in)];
        if (first != 0)
            refuse(std::string(kind) + " input " + std::to_string(*in) +
                   " is listed already (line " + std::to_string(first) + ")");
        first = lineNumber;
        return *in;
    }

    // The relay a value names, driving `input` and nothing else.
    int relay(std::string_view value, const std::string &input)
    {
        const auto r = number(value, 1, Fixture::Relays);
        if (!r)
            refuse("relay " + shown(trimmed(value)) + " is not a relay (1-" +
                   std::to_string(Fixture::Relays) + ")");
        Drive &drive = drives[std::size_t(*r)];
        if (drive.line != 0)
            refuse("relay " + std::to_string(*r) + " drives " + drive.input + " already (line " +
                   std::to_string(drive.line) + ")");
        drive = {lineNumber, input};
        return *r;
    }

    static AnalogRange analogRange(std::string_view text)
    {
        text = trimmed(text);
        const std::size_t dash = text.find('-');
        const auto low = number(text.substr(0, dash), 0, Fixture::AnalogMax);
        const auto high = dash == std::string_view::npos
                              ? std::nullopt
                              : number(text.substr(dash + 1), 0, Fixture::AnalogMax);
        if (!low || !high)
            refuse("range " + shown(text) + " is not low-high within 0-" +
                   std::to_string(Fixture::AnalogMax));
        if (*low > *high)
            refuse("range " + range({*low, *high}) + " runs downwards");
        return {*low, *high};
    }

    void given(std::optional<int> &line, const char *key)
    {
        if (line)
            refuse(std::string(key) + " is given already (line " + std::to_string(*line) + ")");
        line = lineNumber;
    }

    struct Drive {
        int line = 0; // where the relay was wired; 0: not yet
        std::string input;
    };

    Fixture fixture;
    Section section = Section::None;
    int lineNumber = 0;
    std::optional<int> nameLine, settleLine;
    std::array<int, Fixture::DigitalInputs + 1> digitalLines{}; // by input; 0: not listed yet
    std::array<int, Fixture::AnalogInputs + 1> analogLines{};
    std::array<Drive, Fixture::Relays + 1> drives{};
};

ParsedFixture refused(const std::string &file, int line, std::string reason)
{
    return {std::nullopt, {file, line, std::move(reason)}};
}

} // namespace

const DigitalLoop *Fixture::digitalInput(int input) const
{
    for (const DigitalLoop &loop : digital)
        if (loop.input == input)
            return &loop;
    return nullptr;
}

const AnalogLoop *Fixture::analogInput(int input) const
{
    for (const AnalogLoop &loop : analog)
        if (loop.input == input)
            return &loop;
    return nullptr;
}

std::string FixtureRefusal::text() const
{
    return file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + reason;
}

ParsedFixture parseFixture(std::string_view text, const std::string &fileName)
{
    if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF")
        return refused(fileName, 0, "is UTF-16 text; save it as UTF-8");
    if (text.substr(0, Bom.size()) == Bom)
        text.remove_prefix(Bom.size());
    Parser parser;
    try {
        return {parser.parse(text), {}};
    } catch (const Refused &refusal) {
        return refused(fileName, parser.line(), refusal.reason);
    }
}

ParsedFixture readFixtureFile(const std::string &path)
{
    namespace fs = std::filesystem;
    const fs::path file = fs::u8path(path);
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        return refused(path, 0, "no such file");
    if (fs::is_directory(status))
        return refused(path, 0, "is a folder, not a fixture file");
    std::ifstream in(file, std::ios::binary);
    std::string text(MostFileBytes + 1, '\0');
    if (in)
        in.read(text.data(), std::streamsize(text.size()));
    if (!in && !in.eof())
        return refused(path, 0, "cannot be read");
    text.resize(std::size_t(in.gcount()));
    if (text.size() > MostFileBytes)
        return refused(path, 0,
                       "is longer than a fixture file can be (" +
                           std::to_string(MostFileBytes / 1024) + " KiB)");
    return parseFixture(text, path);
}

} // namespace line
