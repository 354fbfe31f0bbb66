#pragma once

#include "Fixture.h"

#include <string>

// Fixture files and what reading them must give: the refusal's text, or the fixture as
// fixtureDescription() writes it. Each file is named "fixture.ini".

// The example fixture, as the user's guide gives it.
inline const char ExampleFixture[] = "[fixture]\n"
                                     "name=loopback-1\n"
                                     "settle_ms=50\n"
                                     "\n"
                                     "[digital]\n"
                                     "; input=the relay that drives it\n"
                                     "1=1\n"
                                     "2=2\n"
                                     "3=3\n"
                                     "4=4\n"
                                     "\n"
                                     "[analog]\n"
                                     "; input=the relay that switches it, the range read with the "
                                     "relay off, the range with it on\n"
                                     "1=5,200-300,700-800\n"
                                     "2=6,200-300,700-800\n"
                                     "3=7,200-300,700-800\n";

inline std::string fixtureDescription(const procedures::Fixture &f)
{
    std::string text = f.name + "; settle " + std::to_string(f.settle.count()) + " ms; digital";
    for (const procedures::DigitalLoop &d : f.digital)
        text += " " + std::to_string(d.input) + "=" + std::to_string(d.relay);
    text += "; analog";
    for (const procedures::AnalogLoop &a : f.analog)
        text += " " + std::to_string(a.input) + "=" + std::to_string(a.relay) + "," +
                std::to_string(a.off.low) + "-" + std::to_string(a.off.high) + "," +
                std::to_string(a.on.low) + "-" + std::to_string(a.on.high);
    return text;
}

// The fixture, or the refusal's text.
inline std::string fixtureOutcome(const procedures::ParsedFixture &parsed)
{
    return parsed.fixture ? fixtureDescription(*parsed.fixture) : parsed.refusal.text();
}

struct FixtureVector {
    const char *name;
    const char *text;
    const char *outcome;
};

#define RZM_FIXTURE_HEAD "[fixture]\nname=bench 3\n"

inline const FixtureVector FixtureVectors[] = {
    // Accepted.
    {"the example", ExampleFixture,
     "loopback-1; settle 50 ms; digital 1=1 2=2 3=3 4=4; "
     "analog 1=5,200-300,700-800 2=6,200-300,700-800 3=7,200-300,700-800"},
    {"name alone: settle 50, nothing wired", "[fixture]\nname=bare\n",
     "bare; settle 50 ms; digital; analog"},
    {"byte order mark, CRLF, blanks, comments, any case, inputs out of order",
     "\xEF\xBB\xBF# bench\r\n[ Fixture ]\r\n  Name = Prüfplatz #2; ok \r\nSETTLE_MS=0\r\n"
     "[DIGITAL]\r\n\t; wired\r\n4 = 8\r\n2=1\r\n[analog]\r\n3 = 2 , 0-0 , 1-1023\r\n",
     "Prüfplatz #2; ok; settle 0 ms; digital 2=1 4=8; analog 3=2,0-0,1-1023"},
    {"settle at its most, ranges one apart",
     RZM_FIXTURE_HEAD "settle_ms=5000\n[analog]\n1=1,0-511,512-1023\n",
     "bench 3; settle 5000 ms; digital; analog 1=1,0-511,512-1023"},
    {"sections given again add to the first", RZM_FIXTURE_HEAD "[digital]\n1=1\n[digital]\n2=2\n",
     "bench 3; settle 50 ms; digital 1=1 2=2; analog"},

    // Refused: the fixture's own keys.
    {"no name", "[fixture]\nsettle_ms=50\n[digital]\n1=1\n", "fixture.ini: no name in [fixture]"},
    {"an empty file", "", "fixture.ini: no name in [fixture]"},
    {"an empty name", "[fixture]\nname=\n", "fixture.ini:2: name is empty"},
    {"name twice", RZM_FIXTURE_HEAD "name=again\n",
     "fixture.ini:3: name is given already (line 2)"},
    {"settle above 5000", RZM_FIXTURE_HEAD "settle_ms=5001\n",
     "fixture.ini:3: settle_ms 5001 is not a number of milliseconds from 0 to 5000"},
    {"settle below 0", RZM_FIXTURE_HEAD "settle_ms=-1\n",
     "fixture.ini:3: settle_ms \"-1\" is not a number of milliseconds from 0 to 5000"},
    {"settle in words", RZM_FIXTURE_HEAD "settle_ms=50ms\n",
     "fixture.ini:3: settle_ms \"50ms\" is not a number of milliseconds from 0 to 5000"},
    {"settle twice", RZM_FIXTURE_HEAD "settle_ms=50\nsettle_ms=60\n",
     "fixture.ini:4: settle_ms is given already (line 3)"},
    {"unknown key in [fixture]", RZM_FIXTURE_HEAD "settle=50\n",
     "fixture.ini:3: unknown key \"settle\" in [fixture] (name, settle_ms)"},

    // Refused: relays and inputs.
    {"relay 9", RZM_FIXTURE_HEAD "[digital]\n1=1\n2=9\n",
     "fixture.ini:5: relay 9 is not a relay (1-8)"},
    {"relay 0", RZM_FIXTURE_HEAD "[digital]\n1=0\n", "fixture.ini:4: relay 0 is not a relay (1-8)"},
    {"relay missing", RZM_FIXTURE_HEAD "[digital]\n1=\n",
     "fixture.ini:4: relay \"\" is not a relay (1-8)"},
    {"relay of an analog input 9", RZM_FIXTURE_HEAD "[analog]\n1=9,0-1,2-3\n",
     "fixture.ini:4: relay 9 is not a relay (1-8)"},
    {"digital input 5", RZM_FIXTURE_HEAD "[digital]\n5=1\n",
     "fixture.ini:4: input 5 is not a digital input (1-4)"},
    {"digital input 0", RZM_FIXTURE_HEAD "[digital]\n0=1\n",
     "fixture.ini:4: input 0 is not a digital input (1-4)"},
    {"unknown key in [digital]", RZM_FIXTURE_HEAD "[digital]\nin1=1\n",
     "fixture.ini:4: input \"in1\" is not a digital input (1-4)"},
    {"analog input 4", RZM_FIXTURE_HEAD "[analog]\n4=1,0-1,2-3\n",
     "fixture.ini:4: input 4 is not an analog input (1-3)"},
    {"digital input listed twice", RZM_FIXTURE_HEAD "[digital]\n2=1\n\n2=3\n",
     "fixture.ini:6: digital input 2 is listed already (line 4)"},
    {"analog input listed twice", RZM_FIXTURE_HEAD "[analog]\n1=1,0-1,2-3\n1=2,0-1,2-3\n",
     "fixture.ini:5: analog input 1 is listed already (line 4)"},
    {"one relay drives two digital inputs", RZM_FIXTURE_HEAD "[digital]\n1=3\n2=3\n",
     "fixture.ini:5: relay 3 drives digital input 1 already (line 4)"},
    {"one relay drives a digital and an analog input",
     RZM_FIXTURE_HEAD "[digital]\n4=5\n[analog]\n1=5,0-1,2-3\n",
     "fixture.ini:6: relay 5 drives digital input 4 already (line 4)"},

    // Refused: the analog ranges.
    {"overlapping ranges", RZM_FIXTURE_HEAD "[analog]\n1=5,200-750,700-800\n",
     "fixture.ini:4: the range with the relay off (200-750) overlaps the one with it on "
     "(700-800)"},
    {"ranges sharing an end", RZM_FIXTURE_HEAD "[analog]\n1=5,200-700,700-800\n",
     "fixture.ini:4: the range with the relay off (200-700) overlaps the one with it on "
     "(700-800)"},
    {"low range above the high one", RZM_FIXTURE_HEAD "[analog]\n1=5,700-800,200-300\n",
     "fixture.ini:4: the range with the relay off (700-800) lies above the one with it on "
     "(200-300)"},
    {"range past 1023", RZM_FIXTURE_HEAD "[analog]\n1=5,200-300,700-1024\n",
     "fixture.ini:4: range \"700-1024\" is not low-high within 0-1023"},
    {"negative range", RZM_FIXTURE_HEAD "[analog]\n1=5,-5-300,700-800\n",
     "fixture.ini:4: range \"-5-300\" is not low-high within 0-1023"},
    {"range without its high end", RZM_FIXTURE_HEAD "[analog]\n1=5,200,700-800\n",
     "fixture.ini:4: range 200 is not low-high within 0-1023"},
    {"range running downwards", RZM_FIXTURE_HEAD "[analog]\n1=5,300-200,700-800\n",
     "fixture.ini:4: range 300-200 runs downwards"},
    {"a range missing", RZM_FIXTURE_HEAD "[analog]\n1=5,200-300\n",
     "fixture.ini:4: \"5,200-300\" is not the relay, the range with it off and the range with "
     "it on, e.g. 5,200-300,700-800"},
    {"a part too many", RZM_FIXTURE_HEAD "[analog]\n1=5,200-300,700-800,900-1000\n",
     "fixture.ini:4: \"5,200-300,700-800,900-1000\" is not the relay, the range with it off and "
     "the range with it on, e.g. 5,200-300,700-800"},

    // Refused: the file's form.
    {"unknown section", RZM_FIXTURE_HEAD "[digtal]\n1=1\n",
     "fixture.ini:3: unknown section \"[digtal]\" (fixture, digital, analog)"},
    {"unclosed section", RZM_FIXTURE_HEAD "[digital\n",
     "fixture.ini:3: \"[digital\" is not a [section]"},
    {"a line without =", RZM_FIXTURE_HEAD "[digital]\n1 1\n",
     "fixture.ini:4: \"1 1\" is neither key=value nor a [section]"},
    {"a value without its key", RZM_FIXTURE_HEAD "[digital]\n=1\n",
     "fixture.ini:4: \"=1\" is neither key=value nor a [section]"},
    {"a key before any section", "name=loose\n[fixture]\nname=x\n",
     "fixture.ini:1: \"name=loose\" comes before any [section]"},
    {"a comment after a value", RZM_FIXTURE_HEAD "[digital]\n1=1 ; relay 1\n",
     "fixture.ini:4: relay \"1 ; relay 1\" is not a relay (1-8)"},
    {"Latin-1, not UTF-8",
     "[fixture]\nname=Pr\xFC"
     "fplatz\n",
     "fixture.ini:2: is not UTF-8 text"},
    {"UTF-16", "\xFF\xFE[\0", "fixture.ini: is UTF-16 text; save it as UTF-8"},
    {"a control character", RZM_FIXTURE_HEAD "[digital]\n1=1\x1B\n",
     "fixture.ini:4: is not UTF-8 text"},
    {"a long line is cut short in the reason",
     RZM_FIXTURE_HEAD "[digtal and a great many more words after it]\n",
     "fixture.ini:3: unknown section \"[digtal and a great many more words afte...\" "
     "(fixture, digital, analog)"},
};

#undef RZM_FIXTURE_HEAD
