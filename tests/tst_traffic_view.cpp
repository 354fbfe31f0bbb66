// The line monitor paints only what changed as rows are added: what is on
// screen (the window's backing store, not a fresh rendering) must show what a
// fresh painting shows. The table holds the rows the model holds, newest at the
// bottom while following, by whole rows, and leaves the rows in sight alone
// while the user has scrolled away from the bottom; the health figures and the
// timeline follow. The row under the pointer is the style's to highlight.
#include "LineTap.h"
#include "MonitorWindow.h"
#include "TapPoll.h"
#include "TimelineStrip.h"
#include "TrafficView.h"

#include <QGuiApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTableView>
#include <QtTest>

namespace {

// Fusion, which draws no row under the pointer, made to draw it in a colour of
// its own, as the styles that draw it do; and to note the font each cell's text
// is drawn with.
class HoverStyle : public QProxyStyle {
public:
    static constexpr QRgb Hover = 0xFF00C0A0;

    HoverStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element == PE_PanelItemViewItem && (option->state & State_MouseOver))
            painter->fillRect(option->rect, QColor::fromRgba(Hover));
        else
            QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        if (element == CE_ItemViewItem)
            if (const auto *cell = qstyleoption_cast<const QStyleOptionViewItem *>(option);
                cell && !cell->text.isEmpty())
                textFont = cell->font;
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    mutable QFont textFont; // the latest cell text's
};

} // namespace

class TrafficViewTest : public QObject {
    Q_OBJECT

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
                readCoilsThrough(tap);
                QTRY_COMPARE(view->model()->rowCount(), before + 1);
                QCoreApplication::processEvents(); // painted and shown
            }
        };

        add(3); // in sight without scrolling
        compareWithFreshPainting(window);
        // Past the bottom, the table follows the newest row by whole rows: the
        // top row is never cut, and the newest is shown whole.
        for (int i = 0; i < 25; ++i) {
            add(1);
            const QRect top = view->visualRect(view->indexAt(QPoint(5, 0)));
            QCOMPARE(top.top(), 0);
            const QRect newest =
                view->visualRect(view->model()->index(view->model()->rowCount() - 1, 0));
            QVERIFY2(newest.top() >= 0 && newest.bottom() < view->viewport()->height(),
                     "the newest row is not shown whole");
        }
        QCOMPARE(bar->value(), bar->maximum());
        compareWithFreshPainting(window);

        bar->setValue(bar->maximum() / 2); // the user looks back
        QCoreApplication::processEvents();
        const int top = view->indexAt(QPoint(5, 1)).row();
        add(3);
        QCOMPARE(view->indexAt(QPoint(5, 1)).row(), top);
        compareWithFreshPainting(window);
    }

    // The table follows its rows under a still pointer without finding the row
    // under it again only where the style paints that row as any other.
    void asksTheStyleWhetherItDrawsHover_data()
    {
        QTest::addColumn<QString>("styleSheet");
        QTest::addColumn<bool>("ownStyle");
        QTest::addColumn<bool>("draws");
        QTest::newRow("Fusion") << QString() << false << false;
        QTest::newRow("a style that draws it") << QString() << true << true;
        QTest::newRow("a style sheet that draws it")
            << QStringLiteral("QTableView::item:hover { background: #00C0A0; }") << false << true;
    }
    void asksTheStyleWhetherItDrawsHover()
    {
        QFETCH(QString, styleSheet);
        QFETCH(bool, ownStyle);
        QFETCH(bool, draws);
        HoverStyle hoverStyle;
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        TrafficView view;
        view.setStyle(fusion.get());
        QVERIFY(!view.styleDrawsHover());
        view.setStyle(ownStyle ? static_cast<QStyle *>(&hoverStyle) : fusion.get());
        view.setStyleSheet(styleSheet);
        QCOMPARE(view.styleDrawsHover(), draws); // asked again once the style changed
    }

    // The row under the pointer is highlighted where the style draws that, and
    // stays the row under the pointer as the table follows the newest rows under
    // a pointer that stands still. Cells' text is drawn in the table's own font,
    // antialiased as the desktop says.
    void highlightsTheRowUnderThePointer()
    {
        HoverStyle style; // outlives the window
        LineTap tap;
        MonitorWindow window(tap);
        auto *view = window.findChild<QTableView *>(QStringLiteral("traffic"));
        QVERIFY(view);
        view->setStyle(&style);
        QVERIFY(shown(window));
        const auto add = [&](int rows) {
            for (int i = 0; i < rows; ++i)
                readCoilsThrough(tap);
            QTRY_COMPARE(view->model()->rowCount(), int(tap.monitor().traffic().size()));
            QCoreApplication::processEvents();
        };
        add(40); // more than fit: the table follows
        const int rowHeight = view->rowHeight(0);
        const int rowTop = 3 * rowHeight; // the fourth row in sight
        const QPoint pointer(view->columnWidth(0) / 2, rowTop + rowHeight / 2);
        QTest::mouseMove(view->viewport(), pointer);
        // A row's first pixels, above its text.
        const auto highlighted = [&](int top) {
            return view->viewport()->grab().toImage().pixel(4, top + 1) == HoverStyle::Hover;
        };
        QTRY_VERIFY2(highlighted(rowTop), "the row under the pointer");
        QVERIFY2(!highlighted(rowTop - rowHeight), "the row above it");
        QVERIFY2(!highlighted(rowTop + rowHeight), "the row below it");
        const int under = view->indexAt(pointer).row();
        add(1);
        QCOMPARE(view->indexAt(pointer).row(), under + 1);
        QTRY_VERIFY2(highlighted(rowTop), "the row now under the pointer");
        QVERIFY2(!highlighted(rowTop - rowHeight), "the row that was under it");
        // Off the table, the rows that come under where it was are not highlighted.
        const auto *timeline = window.findChild<TimelineStrip *>();
        QTest::mouseMove(&window, timeline->mapTo(&window, timeline->rect().center()));
        QTRY_VERIFY(!view->viewport()->underMouse());
        add(2);
        QVERIFY2(!highlighted(rowTop), "a row with the pointer off the table");

        QCOMPARE(style.textFont.styleStrategy(), view->font().styleStrategy());
    }
};

QTEST_MAIN(TrafficViewTest)
#include "tst_traffic_view.moc"
