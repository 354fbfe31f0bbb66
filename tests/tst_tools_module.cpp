// The window's tools as the tester has them: from rzm530-tools.so, loaded the first time one is
// asked for, with the module's own copy of the layers working on the program's line. No test
// here links the tools in.
#include "FakeComm.h"
#include "LineSession.h"
#include "ShownWindow.h"
#include "frmMain.h"

#include <QAbstractItemModel>
#include <QTableView>
#include <QtTest>

class ToolsModuleTest : public QObject {
    Q_OBJECT
private slots:
    // The monitor follows the program's line: the tap's signals reach the module's table. The
    // trend opens beside it, and both close with the window.
    void theMonitorFollowsTheProgramsLine()
    {
        FakeComm comm;
        LineSession session(comm);
        frmMain window(session);
        window.Form_Load();
        window.show();
        window.showMonitor();
        QWidget *monitor = shownWindow(QStringLiteral("RZM-530 Line Monitor"));
        QVERIFY(monitor);
        const QAbstractItemModel *traffic =
            monitor->findChild<QTableView *>(QStringLiteral("traffic"))->model();
        const int before = traffic->rowCount();
        for (int tick = 0; tick < 3; ++tick) // each request ends the one before, unanswered
            window.pollTimer_Timer();
        QTRY_VERIFY(traffic->rowCount() >= before + 2);
        QCOMPARE(traffic->index(before, 1).data().toString(), QStringLiteral("poll"));
        window.showTrend();
        QVERIFY(shownWindow(QStringLiteral("RZM-530 Trend")));
        window.close();
        QVERIFY(!shownWindow(QStringLiteral("RZM-530 Line Monitor")));
        QVERIFY(!shownWindow(QStringLiteral("RZM-530 Trend")));
    }
};

QTEST_MAIN(ToolsModuleTest)
#include "tst_tools_module.moc"
