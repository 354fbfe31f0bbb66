// The line monitor paints only what changed as rows are added: what is on
// screen (the window's backing store, not a fresh rendering) must show what a
// fresh painting shows. The table holds the rows the model holds, newest at the
// bottom while following, and leaves the rows in sight alone while the user has
// scrolled away from the bottom; the health figures and the timeline follow.
#include "LineTap.h"
#include "MonitorWindow.h"
#include "PaintedOnceGroupBox.h"
#include "TrafficDelegate.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

class TrafficViewTest : public QObject {
    Q_OBJECT

    // A request and its reply, the transaction closed at once.
    template <std::size_t N, std::size_t M>
    static void transaction(LineTap &tap, const std::array<quint8, N> &request,
                            const std::array<quint8, M> &reply)
    {
        tap.requestStarted();
        for (quint8 b : request)
            tap.byteWritten(b);
        for (quint8 b : reply)
            tap.byteReceived(b);
        tap.monitor().closeNow();
    }
    // One poll's Read Coils and its reply.
    static void transaction(LineTap &tap)
    {
        transaction(tap, ReadCoils, std::array<quint8, 6>{0x01, 0x01, 0x01, 0x85, 0x90, 0x2B});
    }
    static constexpr std::array<quint8, 8> ReadCoils{0x01, 0x01, 0x00, 0x00,
                                                     0x00, 0x08, 0x3D, 0xCC};

    // The window's health panel, timeline, table and scroll bar as they stand on
    // screen, and as painted afresh.
    static void compareWithFreshPainting(QWidget &window)
    {
        QWidget &shownPart = *static_cast<QMainWindow &>(window).centralWidget();
        const QPoint at = shownPart.mapTo(&window, QPoint(0, 0));
        const QImage shown =
            QGuiApplication::primaryScreen()
                ->grabWindow(window.winId(), at.x(), at.y(), shownPart.width(), shownPart.height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        const QImage fresh = shownPart.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), fresh.size());
        QVERIFY2(shown == fresh, "what is on screen differs from the traffic as it is");
    }

    // The window on screen, and its table; none if it could not be shown.
    static QTableView *shown(MonitorWindow &window)
    {
        window.resize(800, 400);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return nullptr;
        return window.findChild<QTableView *>(QStringLiteral("traffic"));
    }

private slots:
    void showsTheRowsAsTheyAreAdded()
    {
        LineTap tap;
        MonitorWindow window(tap);
        QTableView *view = shown(window);
        QVERIFY(view);
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

    // A cell drawn from its picture looks as it does painted afresh: the table
    // beside a plain one showing the same rows through a delegate that keeps no
    // pictures, with red rows (the module's faults), grey rows (broadcasts), a
    // row selected and let go, and the table's colours changed.
    void aCellsPictureLooksAsItsPainting()
    {
        LineTap tap;
        MonitorWindow window(tap);
        QTableView *view = shown(window);
        QVERIFY(view);
        const auto add = [&](int times) {
            for (int i = 0; i < times; ++i) {
                transaction(tap);
                transaction(tap, ReadCoils, // a CRC error
                            std::array<quint8, 6>{0x01, 0x01, 0x01, 0x85, 0x90, 0x2C});
                transaction(tap, // a broadcast: no reply expected
                            std::array<quint8, 8>{0x00, 0x05, 0x00, 0x01, 0xFF, 0x00, 0xDC, 0x2B},
                            std::array<quint8, 0>{});
            }
            QTRY_COMPARE(view->model()->rowCount(), int(tap.monitor().traffic().size()));
            QCoreApplication::processEvents();
        };

        TrafficDelegate painted(TrafficDelegate::Pictures::None);
        QTableView reference;
        reference.setModel(view->model());
        reference.setItemDelegate(&painted);
        reference.setShowGrid(false);
        reference.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        reference.setSelectionModel(view->selectionModel());
        reference.verticalHeader()->hide();
        reference.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        reference.verticalHeader()->setDefaultSectionSize(
            view->verticalHeader()->defaultSectionSize());
        reference.horizontalHeader()->setStretchLastSection(true);
        reference.resize(view->size());
        reference.show();
        QVERIFY(QTest::qWaitForWindowExposed(&reference));
        const auto compare = [&](const char *when) {
            for (int c = 0; c < view->model()->columnCount(); ++c)
                reference.setColumnWidth(c, view->columnWidth(c));
            reference.setPalette(view->palette());
            reference.verticalScrollBar()->setValue(view->verticalScrollBar()->value());
            QCoreApplication::processEvents();
            QCOMPARE(reference.viewport()->size(), view->viewport()->size());
            const QImage fromPictures = view->viewport()->grab().toImage();
            const QImage afresh = reference.viewport()->grab().toImage();
            QVERIFY2(fromPictures == afresh, when);
        };

        add(4);
        compare("rows of each kind");
        view->selectRow(4);
        QCoreApplication::processEvents();
        compare("a row selected");
        view->clearSelection();
        QCoreApplication::processEvents();
        compare("the row let go");
        QPalette colours = view->palette();
        colours.setColor(QPalette::Base, QColor(0xF4, 0xF0, 0xE0));
        colours.setColor(QPalette::Text, QColor(0x20, 0x20, 0x60));
        view->setPalette(colours);
        add(1);
        compare("the table's colours changed");
    }

    // The health panel's box, its frame drawn once, looks as Qt's own box does,
    // after a resize and a new title too. The frame's right and bottom edges
    // come out a grey level apart through the picture: the same look.
    void aFrameDrawnOnceLooksAsQtDrawsIt()
    {
        PaintedOnceGroupBox once(QStringLiteral("Health since the last reset"));
        QGroupBox qts(QStringLiteral("Health since the last reset"));
        for (const auto &[size, title] :
             {std::pair(QSize(400, 120), "Health since the last reset"),
              std::pair(QSize(300, 160), "Health since the last reset"),
              std::pair(QSize(300, 160), "A longer title than before")}) {
            once.resize(size);
            qts.resize(size);
            once.setTitle(QString::fromLatin1(title));
            qts.setTitle(QString::fromLatin1(title));
            const QImage a = once.grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QImage b = qts.grab().toImage().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(a.size(), b.size());
            int mostApart = 0;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x) {
                    const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                    mostApart =
                        std::max({mostApart, std::abs(qRed(p) - qRed(q)),
                                  std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
                }
            QVERIFY2(mostApart <= 2, title);
        }
    }
};

QTEST_MAIN(TrafficViewTest)
#include "tst_traffic_view.moc"
