#pragma once

#include "Fixture.h"
#include "IniText.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace procedures {

// A test station: several fixtures, each on a port of its own, whose modules are tested at
// once. It is kept in a file such as this, INI text as IniText.h reads it:
//
//   [station]
//   name=line 3 station A
//   fixture=fixture.ini
//   operator=
//   address=1
//
//   [slots]
//   ; slot=COM number or tcp://HOST:PORT
//   1=1
//   4=tcp://127.0.0.1:4001
//
// Every key of [station] may be left out or empty: the name is then the history settings'
// station, the operator is asked for when the station opens, no fixture wires the inputs (the
// link and relay steps alone run), and the modules answer at address 1. A relative fixture
// path is taken from the station file's folder. Slots are numbered 1-16, each listed once, on
// ports of their own. Anything else refuses the whole file, as a fixture's does.
struct Station {
    static constexpr int MostSlots = 16;
    static constexpr int MostAddress = 247;

    struct Slot {
        int number = 0;
        std::string port; // as written: "3", "tcp://127.0.0.1:4001"
        std::string name; // as the tiles and the history name it: "COM 3"
    };

    std::string name;
    std::string operatorName;
    std::string fixturePath; // empty: no fixture
    std::optional<Fixture> fixture; // read by readStationFile
    int address = 1;
    std::vector<Slot> slotList; // by number, ascending ("slots" is a word of Qt's)
};

// The name of the port that a slot's value gives ("COM 3", "tcp://192.0.2.10:4001"), or empty
// with why it gives none. How a port is written is the serial layer's to say.
using PortCheck = std::function<std::string(const std::string &value, std::string *why)>;

// A station, or why there is none.
struct ParsedStation {
    std::optional<Station> station;
    FileRefusal refusal; // when there is no station
};

// The station that `text`, the contents of the file `fileName`, describes; the fixture's path
// as written, and not read.
ParsedStation parseStation(std::string_view text, const std::string &fileName,
                           const PortCheck &portName);

// The same from the file at `path` (UTF-8), with its fixture read, refused as its own file.
ParsedStation readStationFile(const std::string &path, const PortCheck &portName);

} // namespace procedures
