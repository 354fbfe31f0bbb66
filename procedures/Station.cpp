#include "Station.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <iterator>

namespace procedures {

namespace {

const std::vector<std::string> Sections{"station", "slots"};
const std::string Kind = "station file";

class Parser : public IniReader {
public:
    explicit Parser(const PortCheck &portName) : portName(portName) {}

    Station station;

private:
    enum Section { StationSection, SlotsSection };

    void entry(std::size_t section, std::string_view key, std::string_view value) override
    {
        if (section == StationSection)
            stationKey(key, value);
        else
            slot(key, value);
    }

    void end() override
    {
        if (station.slotList.empty())
            refuseIniLine("no slots in [slots]");
        std::sort(station.slotList.begin(), station.slotList.end(),
                  [](const auto &a, const auto &b) { return a.number < b.number; });
    }

    void stationKey(std::string_view key, std::string_view value)
    {
        const std::string name = lowered(key);
        const auto found = std::find_if(std::begin(Keys), std::end(Keys),
                                        [&](const auto &k) { return name == k.name; });
        if (found == std::end(Keys))
            refuseIniLine("unknown key " + shown(key) +
                          " in [station] (name, fixture, operator, address)");
        int &first = keyLines[std::size_t(found - std::begin(Keys))];
        if (first != 0)
            refuseIniLine(name + " is given already (line " + std::to_string(first) + ")");
        first = line();
        if (found->text) {
            station.*(found->text) = std::string(value);
            return;
        }
        const auto address = value.empty() ? std::optional(1) : number(value, 1, Station::MostAddress);
        if (!address)
            refuseIniLine("address " + shown(value) + " is not a module address (1-" +
                          std::to_string(Station::MostAddress) + ")");
        station.address = *address;
    }

    void slot(std::string_view key, std::string_view value)
    {
        const auto n = number(key, 1, Station::MostSlots);
        if (!n)
            refuseIniLine("slot " + shown(key) + " is not a slot number (1-" +
                          std::to_string(Station::MostSlots) + ")");
        for (const Listed &listed : slotLines)
            if (listed.slot.number == *n)
                refuseIniLine("slot " + std::to_string(*n) + " is listed already (line " +
                              std::to_string(listed.line) + ")");
        std::string why;
        const std::string port(value);
        const std::string name = portName(port, &why);
        if (name.empty())
            refuseIniLine("slot " + std::to_string(*n) + ": " + why);
        for (const Listed &listed : slotLines)
            if (listed.slot.name == name)
                refuseIniLine(name + " is slot " + std::to_string(listed.slot.number) +
                              "'s port already (line " + std::to_string(listed.line) + ")");
        const Station::Slot s{*n, port, name};
        slotLines.push_back({s, line()});
        station.slotList.push_back(s);
    }

    struct Key {
        const char *name;
        std::string Station::*text; // none: the address
    };
    static constexpr Key Keys[] = {{"name", &Station::name},
                                   {"fixture", &Station::fixturePath},
                                   {"operator", &Station::operatorName},
                                   {"address", nullptr}};
    struct Listed {
        Station::Slot slot;
        int line;
    };

    const PortCheck &portName;
    std::array<int, std::size(Keys)> keyLines{}; // 0: not given yet
    std::vector<Listed> slotLines;
};

} // namespace

ParsedStation parseStation(std::string_view text, const std::string &fileName,
                           const PortCheck &portName)
{
    Parser parser(portName);
    if (auto refusal = readIni(text, fileName, Sections, parser))
        return {std::nullopt, std::move(*refusal)};
    return {std::move(parser.station), {}};
}

ParsedStation readStationFile(const std::string &path, const PortCheck &portName)
{
    FileBytes file = readIniFile(path, Kind);
    if (file.refusal)
        return {std::nullopt, std::move(*file.refusal)};
    ParsedStation parsed = parseStation(file.bytes, path, portName);
    if (!parsed.station || parsed.station->fixturePath.empty())
        return parsed;
    namespace fs = std::filesystem;
    Station &station = *parsed.station;
    const fs::path written = fs::u8path(station.fixturePath);
    station.fixturePath =
        (written.is_relative() ? fs::u8path(path).parent_path() / written : written).u8string();
    ParsedFixture fixture = readFixtureFile(station.fixturePath);
    if (!fixture.fixture)
        return {std::nullopt, std::move(fixture.refusal)};
    station.fixture = std::move(fixture.fixture);
    return parsed;
}

} // namespace procedures
