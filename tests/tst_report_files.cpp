// Report files on a real file system: written whole, never over an earlier report the
// program named, and a path that cannot take one found before a test begins.
#include "FileText.h"
#include "ReportFiles.h"

#include <QtTest>

class ReportFilesTest : public QObject {
    Q_OBJECT
private slots:
    // Both files of a report share the first name that neither file has.
    void madeNameNeverReplacesAReport()
    {
        QTemporaryDir dir;
        const QString stem = "SN_7_2026-12-07_14-03-21";
        const QStringList both{"html", "json"};
        QCOMPARE(unusedReportPath(dir.path(), stem, both), dir.filePath(stem));
        QCOMPARE(writeReportFile(dir.filePath(stem + ".json"), "first"), QString());
        QCOMPARE(unusedReportPath(dir.path(), stem, both), dir.filePath(stem + "-2"));
        QCOMPARE(writeReportFile(dir.filePath(stem + "-2.html"), "second"), QString());
        QCOMPARE(unusedReportPath(dir.path(), stem, both), dir.filePath(stem + "-3"));
        QCOMPARE(fileBytes(dir.filePath(stem + ".json")), "first");
    }

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
