// The link status and the line monitor against the real simulated module: each
// of its faults shows as its verdict, and the monitor holds the traffic.
#include "MSComm.h"
#include "SimProcess.h"
#include "Tester.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QRegularExpression>
#include <QTableView>
#include <QtTest>

class LineStatusTest : public QObject {
    Q_OBJECT
private slots:
    void eachFaultShowsItsVerdict_data()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QString>("status");
        QTest::newRow("healthy") << QStringList{} << "OK [0-9]+ ms";
        QTest::newRow("silent") << QStringList{"--silent"} << "No reply";
        QTest::newRow("corrupt CRC") << QStringList{"--corrupt-crc"} << "CRC error";
        QTest::newRow("exception") << QStringList{"--exception"} << "Exception 4";
        QTest::newRow("another address") << QStringList{"--other-address", "9"} << "Wrong address";
        QTest::newRow("cut short") << QStringList{"--cut-short"} << "Garbled";
        QTest::newRow("noise first") << QStringList{"--noise"} << "Garbled";
    }

    void eachFaultShowsItsVerdict()
    {
        QFETCH(QStringList, fault);
        QFETCH(QString, status);
        SimProcess sim(fault);
        QVERIFY(sim.ready());
        LoadedTester<MSComm> t;
        auto *label = t.child<QLabel>(QStringLiteral("lblStatus"));
        t.window.pollTimer_Timer();
        const QRegularExpression expected(QStringLiteral("^%1$").arg(status));
        QTRY_VERIFY2_WITH_TIMEOUT(expected.match(label->text()).hasMatch(),
                                  qPrintable(label->text()), 2000);

        // The status opens the monitor, which shows the transaction.
        QTest::mouseClick(label, Qt::LeftButton);
        QWidget *shown = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->windowTitle() == QLatin1String("RZM-530 Line Monitor") && w->isVisible())
                shown = w;
        QVERIFY(shown);
        const QAbstractItemModel *traffic =
            shown->findChild<QTableView *>(QStringLiteral("traffic"))->model();
        QCOMPARE(traffic->rowCount(), 1);
        QCOMPARE(traffic->index(0, 1).data().toString(), QStringLiteral("poll"));
        QCOMPARE(traffic->index(0, 2).data().toString(), QStringLiteral("01 01 00 00 00 08 3D CC"));
        QVERIFY(label->text().startsWith(traffic->index(0, 4).data().toString()));
    }
};

QTEST_MAIN(LineStatusTest)
#include "tst_line_status.moc"
