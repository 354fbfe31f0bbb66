// The line monitor paints only what changed as rows are added: what is on
// screen (the window's backing store, not a fresh rendering) must show what a
// fresh painting shows. The table holds the rows the model holds, newest at the
// bottom while following, and leaves the rows in sight alone while the user has
// scrolled away from the bottom; the health figures and the timeline follow.
#include "LineTap.h"
#include "MonitorWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

#include <array>

class TrafficViewTest : public QObject {
    Q_OBJECT

    // One poll's Read Coils and its reply, the transaction closed at once.
    static void transaction(LineTap &tap)
    {
        static constexpr std::array<quint8, 8> Request{0x01, 0x01, 0x00, 0x00,
                                                       0x00, 0x08, 0x3D, 0xCC};
        static constexpr std::array<quint8, 6> Reply{0x01, 0x01, 0x01, 0x85, 0x90, 0x2B};
        tap.requestStarted();
        for (quint8 b : Request)
            tap.byteWritten(b);
        for (quint8 b : Reply)
            tap.byteReceived(b);
        tap.monitor().closeNow();
    }

    // The window's health panel, timeline, table and scroll bar as they stand on
    // screen, and as painted afresh.
    static void compareWithFreshPainting(QWidget &window)
    {
        QWidget &shownPart = *static_cast<QMainWindow &>(window).centralWidget();
        const QPoint at = shownPart.mapTo(&window, QPoint(0, 0));
        const QImage shown = QGuiApplication::primaryScreen()
                                 ->grabWindow(window.winId(), at.x(), at.y(), shownPart.width(),
                                              shownPart.height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        const QImage fresh = shownPart.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), fresh.size());
        QVERIFY2(shown == fresh, "what is on screen differs from the traffic as it is");
    }

private slots:
    void showsTheRowsAsTheyAreAdded()
    {
        LineTap tap;
        MonitorWindow window(tap);
        window.resize(800, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *view = window.findChild<QTableView *>(QStringLiteral("traffic"));
        QScrollBar *bar = view->verticalScrollBar();
        const auto add = [&](int rows) {
            for (int i = 0; i < rows; ++i) {
                const int before = view->model()->rowCount();
                transaction(tap);
                QTRY_COMPARE(view->model()->rowCount(), before + 1);
                QCoreApplication::processEvents(); // painted and shown
            }
        };

        add(3); // in sight without scrolling
        compareWithFreshPainting(window);
        add(25); // past the bottom: the table follows
        QCOMPARE(bar->value(), bar->maximum());
        const QPoint bottom(5, view->viewport()->height() - 2);
        QCOMPARE(view->indexAt(bottom).row(), view->model()->rowCount() - 1);
        compareWithFreshPainting(window);

        bar->setValue(bar->maximum() / 2); // the user looks back
        QCoreApplication::processEvents();
        const int top = view->indexAt(QPoint(5, 1)).row();
        add(3);
        QCOMPARE(view->indexAt(QPoint(5, 1)).row(), top);
        compareWithFreshPainting(window);
    }
};

QTEST_MAIN(TrafficViewTest)
#include "tst_traffic_view.moc"
