// Report files on a real file system: written whole, and a path that cannot take one found
// before a test begins. That a made name never replaces an earlier report, the station's
// console run shows (tst_station_console).
#include "FileText.h"
#include "ReportFiles.h"

#include <QtTest>

class ReportFilesTest : public QObject {
    Q_OBJECT
private slots:
    void unwritablePathIsFoundFirst_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("writable");
        QTest::newRow("new file") << "report.json" << true;
        QTest::newRow("existing file") << "old.json" << true;
        QTest::newRow("missing folder") << "nowhere/report.json" << false;
        QTest::newRow("read-only folder") << "locked/report.json" << false;
        QTest::newRow("a folder") << "locked" << false;
    }

    void unwritablePathIsFoundFirst()
    {
        QFETCH(QString, name);
        QFETCH(bool, writable);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(writeReportFile(dir.filePath("old.json"), "kept"), QString());
        if (name.startsWith("locked/") && QFileInfo(dir.filePath("locked")).isWritable())
            QSKIP("running as a user who may write anywhere");

        const QString problem = reportPathProblem(dir.filePath(name));
        QVERIFY2(problem.isEmpty() == writable, qPrintable(problem));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.json"}); // no trace
        QCOMPARE(fileBytes(dir.filePath("old.json")), "kept");
        QCOMPARE(writeReportFile(dir.filePath(name), "x").isEmpty(), writable); // as foretold
        // A file named on purpose is replaced whole, and nothing but the report is left.
        if (name == "old.json") {
            QCOMPARE(fileBytes(dir.filePath(name)), "x");
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.json"});
        }
    }
};

QTEST_APPLESS_MAIN(ReportFilesTest)
#include "tst_report_files.moc"
