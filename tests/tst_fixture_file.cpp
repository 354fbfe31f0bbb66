// The loopback fixture's file: every rule it breaks is refused with the file's name, the line
// and the reason, and what it keeps is the fixture; read from disk as well as from text.
#include "Cases.h"
#include "FixtureVectors.h"
#include "StdStringCompare.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

// Writes `bytes` to `name` in `dir`; its path, UTF-8, as the console passes it on.
std::string written(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return dir.filePath(name).toStdString();
}

} // namespace

class FixtureFileTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data() { addCaseRows(FixtureVectors); }
    void parse()
    {
        const FixtureVector &v = fetchCase(FixtureVectors);
        QCOMPARE(fixtureOutcome(line::parseFixture(v.text, "fixture.ini")), std::string(v.outcome));
    }

    // The sequencer and the simulator look the wiring up by input.
    void inputsByNumber()
    {
        const auto parsed = line::parseFixture(
            "[fixture]\nname=x\n[digital]\n3=2\n[analog]\n2=6,0-9,10-20\n", "x.ini");
        QVERIFY(parsed.fixture);
        const line::Fixture &f = *parsed.fixture;
        QVERIFY(f.digitalInput(3) && f.digitalInput(3)->relay == 2);
        QVERIFY(!f.digitalInput(1) && !f.digitalInput(2) && !f.digitalInput(4));
        QVERIFY(f.analogInput(2) && f.analogInput(2)->relay == 6 &&
                f.analogInput(2)->on.high == 20);
        QVERIFY(!f.analogInput(1) && !f.analogInput(3));
    }

    // The file as named; a refusal from within it names it the same way.
    void readFromDisk()
    {
        QTemporaryDir dir;
        const std::string good = written(dir, QStringLiteral("prüf platz.ini"), ExampleFixture);
        QVERIFY(!good.empty());
        const auto parsed = line::readFixtureFile(good);
        QVERIFY2(parsed.fixture, parsed.refusal.text().c_str());
        QCOMPARE(parsed.fixture->name, std::string("loopback-1"));

        const std::string bad = written(dir, "bad.ini", "[fixture]\nname=x\n[digital]\n1=9\n");
        QCOMPARE(line::readFixtureFile(bad).refusal.text(),
                 bad + ":4: relay 9 is not a relay (1-8)");

        const std::string missing = dir.filePath("missing.ini").toStdString();
        QCOMPARE(line::readFixtureFile(missing).refusal.text(), missing + ": no such file");
        const std::string folder = dir.path().toStdString();
        QCOMPARE(line::readFixtureFile(folder).refusal.text(),
                 folder + ": is a folder, not a fixture file");

        QByteArray long_(ExampleFixture);
        long_ += QByteArray(64 * 1024, '\n');
        const std::string longFile = written(dir, "long.ini", long_);
        QCOMPARE(line::readFixtureFile(longFile).refusal.text(),
                 longFile + ": is longer than a fixture file can be (64 KiB)");

        const std::string locked = written(dir, "locked.ini", ExampleFixture);
        QFile::setPermissions(QString::fromStdString(locked), {});
        if (::geteuid() == 0)
            QSKIP("root reads a file whatever its permissions");
        QCOMPARE(line::readFixtureFile(locked).refusal.text(), locked + ": cannot be read");
    }
};

QTEST_APPLESS_MAIN(FixtureFileTest)
#include "tst_fixture_file.moc"
