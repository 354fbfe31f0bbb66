#include "Fixture.h"

#include <algorithm>
#include <array>

namespace procedures {

namespace {

const std::vector<std::string> Sections{"fixture", "digital", "analog"};
const std::string Kind = "fixture file";

std::string range(const AnalogRange &r)
{
    return std::to_string(r.low) + "-" + std::to_string(r.high);
}

[[noreturn]] void refuse(std::string reason)
{
    refuseIniLine(std::move(reason));
}

// Reads a fixture an entry at a time; refuse() ends it at the line being read.
class Parser : public IniReader {
public:
    Fixture fixture;

private:
    enum Section { FixtureSection, DigitalSection, AnalogSection };

    void entry(std::size_t section, std::string_view key, std::string_view value) override
    {
        switch (section) {
        case FixtureSection:
            return fixtureKey(key, value);
        case DigitalSection:
            return digitalKey(key, value);
        default:
            return analogKey(key, value);
        }
    }

    void end() override
    {
        if (!nameLine)
            refuse("no name in [fixture]");
        const auto byInput = [](const auto &a, const auto &b) { return a.input < b.input; };
        std::sort(fixture.digital.begin(), fixture.digital.end(), byInput);
        std::sort(fixture.analog.begin(), fixture.analog.end(), byInput);
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
        first = line();
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
        drive = {line(), input};
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

    void given(std::optional<int> &first, const char *key)
    {
        if (first)
            refuse(std::string(key) + " is given already (line " + std::to_string(*first) + ")");
        first = line();
    }

    struct Drive {
        int line = 0; // where the relay was wired; 0: not yet
        std::string input;
    };

    std::optional<int> nameLine, settleLine;
    std::array<int, Fixture::DigitalInputs + 1> digitalLines{}; // by input; 0: not listed yet
    std::array<int, Fixture::AnalogInputs + 1> analogLines{};
    std::array<Drive, Fixture::Relays + 1> drives{};
};

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

ParsedFixture parseFixture(std::string_view text, const std::string &fileName)
{
    Parser parser;
    if (auto refusal = readIni(text, fileName, Sections, parser))
        return {std::nullopt, std::move(*refusal)};
    return {std::move(parser.fixture), {}};
}

ParsedFixture readFixtureFile(const std::string &path)
{
    FileBytes file = readIniFile(path, Kind);
    if (file.refusal)
        return {std::nullopt, std::move(*file.refusal)};
    return parseFixture(file.bytes, path);
}

} // namespace procedures
