// The station's files, the loopback fixture's and the station's: every rule one breaks is
// refused with the file's name, the line and the reason; what it keeps is the fixture or the
// station, the station's fixture read from beside it; read from disk as well as from text. The
// fixture's rules are its table's (FixtureVectors.h), which windows_check_native reads.
#include "Cases.h"
#include "FileText.h"
#include "FixtureVectors.h"
#include "SlotPort.h"
#include "Station.h"
#include "StdStringCompare.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

const struct {
    const char *name, *text;
    const char *says; // the refusal, or the slots kept: "1 COM 1|2 tcp://127.0.0.1:4001"
} Cases[] = {
    {"slots by number, mixed", "[slots]\n4=tcp://LOCALHOST:4001\n2=  7 \n",
     "2 COM 7|4 tcp://localhost:4001"},
    {"a COM number too high", "[slots]\n1=51\n",
     "s.ini:2: slot 1: \"51\" is neither a COM number (1-50) nor tcp://HOST:PORT"},
    {"a COM port by name", "[slots]\n1=COM3\n",
     "s.ini:2: slot 1: \"COM3\" is neither a COM number (1-50) nor tcp://HOST:PORT"},
    {"a server without its port", "[slots]\n1=tcp://10.0.0.7\n",
     "s.ini:2: slot 1: tcp://10.0.0.7 has no port: write it as tcp://HOST:PORT, e.g. "
     "tcp://192.0.2.10:4001"},
    {"slot 17", "[slots]\n17=1\n", "s.ini:2: slot 17 is not a slot number (1-16)"},
    {"a slot twice", "[slots]\n1=1\n\n1=2\n", "s.ini:4: slot 1 is listed already (line 2)"},
    {"a port twice", "[slots]\n1=3\n2=4\n3=03\n", "s.ini:4: COM 3 is slot 1's port already (line 2)"},
    {"a server twice", "[slots]\n1=tcp://h:1\n2=TCP://H:1\n",
     "s.ini:3: tcp://h:1 is slot 1's port already (line 2)"},
    {"no slots", "[station]\nname=x\n[slots]\n", "s.ini: no slots in [slots]"},
    {"an unknown key", "[station]\nfixtures=f.ini\n",
     "s.ini:2: unknown key \"fixtures\" in [station] (name, fixture, operator, address)"},
    {"a key twice", "[station]\nName=a\nname=b\n", "s.ini:3: name is given already (line 2)"},
    {"an address out of range", "[station]\naddress=248\n",
     "s.ini:2: address 248 is not a module address (1-247)"},
    {"an unknown section", "[slot]\n1=1\n",
     "s.ini:1: unknown section \"[slot]\" (station, slots)"},
};

std::string outcome(const procedures::ParsedStation &parsed)
{
    if (!parsed.station)
        return parsed.refusal.text();
    std::string listed;
    for (const auto &slot : parsed.station->slotList)
        listed += (listed.empty() ? "" : "|") + std::to_string(slot.number) + " " + slot.name;
    return listed;
}

// Writes `bytes` to `name` in `dir`; its path, UTF-8, as the console passes it on.
std::string written(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    return writeFile(dir.filePath(name), bytes) ? dir.filePath(name).toStdString() : std::string();
}

} // namespace

class StationFileTest : public QObject {
    Q_OBJECT
private slots:
    // The sequencer and the simulator look the wiring up by input.
    void fixtureInputsByNumber()
    {
        const auto parsed = procedures::parseFixture(
            "[fixture]\nname=x\n[digital]\n3=2\n[analog]\n2=6,0-9,10-20\n", "x.ini");
        QVERIFY(parsed.fixture);
        const procedures::Fixture &f = *parsed.fixture;
        QVERIFY(f.digitalInput(3) && f.digitalInput(3)->relay == 2);
        QVERIFY(!f.digitalInput(1) && !f.digitalInput(2) && !f.digitalInput(4));
        QVERIFY(f.analogInput(2) && f.analogInput(2)->relay == 6 &&
                f.analogInput(2)->on.high == 20);
        QVERIFY(!f.analogInput(1) && !f.analogInput(3));
    }

    // The file as named, or why it cannot be read. A refusal from within it names it the same
    // way: fixtureBesideTheFile reads one through the station's file.
    void fixtureFromDisk()
    {
        QTemporaryDir dir;
        const std::string good = written(dir, QStringLiteral("prüf platz.ini"), ExampleFixture);
        QVERIFY(!good.empty());
        const auto parsed = procedures::readFixtureFile(good);
        QVERIFY2(parsed.fixture, parsed.refusal.text().c_str());
        QCOMPARE(parsed.fixture->name, std::string("loopback-1"));

        const std::string missing = dir.filePath("missing.ini").toStdString();
        QCOMPARE(procedures::readFixtureFile(missing).refusal.text(), missing + ": no such file");
        const std::string folder = dir.path().toStdString();
        QCOMPARE(procedures::readFixtureFile(folder).refusal.text(),
                 folder + ": is a folder, not a fixture file");

        QByteArray long_(ExampleFixture);
        long_ += QByteArray(64 * 1024, '\n');
        const std::string longFile = written(dir, "long.ini", long_);
        QCOMPARE(procedures::readFixtureFile(longFile).refusal.text(),
                 longFile + ": is longer than a fixture file can be (64 KiB)");

        const std::string locked = written(dir, "locked.ini", ExampleFixture);
        QFile::setPermissions(QString::fromStdString(locked), {});
        if (::geteuid() == 0)
            QSKIP("root reads a file whatever its permissions");
        QCOMPARE(procedures::readFixtureFile(locked).refusal.text(), locked + ": cannot be read");
    }

    void parseStation_data() { addCaseRows(Cases); }
    void parseStation()
    {
        const auto &c = fetchCase(Cases);
        QCOMPARE(outcome(procedures::parseStation(c.text, "s.ini", slotPortName)),
                 std::string(c.says));
    }

    // The fixture is found beside the station file, whatever the folder the program runs in;
    // one that is refused refuses the station, named as its own file.
    void fixtureBesideTheFile()
    {
        QTemporaryDir dir;
        const QString station = dir.filePath("station.ini");
        QVERIFY(writeFile(dir.filePath("loop.ini"), ExampleFixture) &&
                writeFile(station, "[station]\nname=line 3\nfixture=loop.ini\noperator=Ann\n"
                                   "address=17\n[slots]\n1=1\n"));
        const auto parsed = procedures::readStationFile(station.toStdString(), slotPortName);
        QVERIFY2(parsed.station, parsed.refusal.text().c_str());
        const procedures::Station &s = *parsed.station;
        QCOMPARE(s.fixturePath, dir.filePath("loop.ini").toStdString());
        QVERIFY(s.fixture && s.fixture->name == "loopback-1");
        QCOMPARE(s.name, std::string("line 3"));
        QCOMPARE(s.operatorName, std::string("Ann"));
        QCOMPARE(s.address, 17);

        QVERIFY(writeFile(dir.filePath("loop.ini"), "[fixture]\nname=x\n[digital]\n1=9\n"));
        QCOMPARE(procedures::readStationFile(station.toStdString(), slotPortName).refusal.text(),
                 dir.filePath("loop.ini").toStdString() + ":4: relay 9 is not a relay (1-8)");
    }
};

QTEST_GUILESS_MAIN(StationFileTest)
#include "tst_station_file.moc"
