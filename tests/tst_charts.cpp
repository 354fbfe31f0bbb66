// The monitor's timeline and the history's yield bars: what they draw of the data, and a click
// on the timeline through to the table's row.
#include "Cases.h"
#include "Exchange.h"
#include "LineTap.h"
#include "LineVectors.h"
#include "MonitorWindow.h"
#include "TimelineColumns.h"
#include "TimelineStrip.h"
#include "TrendRecorder.h"
#include "TrendWindow.h"
#include "YieldBars.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

using namespace std::chrono_literals;
using Kind = TimelineColumns::Kind;

namespace {

const line::Time T0 = line::Time() + 1h;

// A poll every 500 ms, unevenly late, answered in 20 ms; `odd` answered as `verdict` in
// `oddMs` (none: no reply).
line::Transaction poll(int i, int odd, line::Verdict verdict, double oddMs)
{
    line::Transaction t;
    t.start = T0 + i * 500ms + (i % 7) * 3ms;
    t.requestEnd = t.start + 8ms;
    t.bytes = bytesOf(std::string(ReadCoils0To7) + ' ' + CoilsReply);
    t.requestSize = 8;
    t.verdict = i == odd ? verdict : line::Verdict::Ok;
    const double ms = i == odd ? oddMs : 20;
    if (ms < 0)
        t.bytes.resize(8);
    t.replyEnd = t.requestEnd + std::chrono::microseconds(std::llround(std::max(ms, 0.0) * 1000));
    return t;
}

// What a column must hold, worked out from its transactions one by one.
QString columnFault(const line::Traffic &traffic, const TimelineColumns::Column &c)
{
    Kind worst = Kind::Ok;
    double height = -1;
    std::uint64_t mark = 0;
    for (std::uint64_t s = c.first; s < c.first + c.count; ++s) {
        const line::Transaction &t = traffic[std::size_t(s - traffic.firstSequence())];
        const Kind kind = TimelineColumns::kindOf(t.verdict);
        const double h = t.responseMs().value_or(1e9);
        if (kind > worst || (kind == worst && h > height))
            worst = kind, height = h, mark = s;
    }
    if (c.worst != worst || c.mark != mark)
        return QStringLiteral("column from %1: kind %2 mark %3, should be %4 and %5")
            .arg(c.first)
            .arg(int(c.worst))
            .arg(c.mark)
            .arg(int(worst))
            .arg(mark);
    return {};
}

// Where the strip shows red, as it is drawn.
int redColumn(TimelineStrip &strip)
{
    const QImage image = strip.grab().toImage();
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y) == QColor(0xD0, 0x10, 0x10))
                return x;
    return -1;
}

using line::Verdict;

const struct {
    const char *name;
    int count, capacity, odd;
    Verdict verdict;
    double ms; // -1: no reply
    int batch; // refreshed after each so many
    Kind kind; // of the odd one's column
} ColumnCases[] = {
    {"a No reply among 100,000 OKs", 100'000, 100'000, 54'321, Verdict::NoReply, -1, 997,
     Kind::Fault},
    {"a CRC error faster than its column's OKs", 100'000, 100'000, 99'999, Verdict::CrcError, 5, 1,
     Kind::Fault},
    {"cut short by the tester: not the module's", 3000, 3000, 1500, Verdict::CutShort, -1, 50,
     Kind::NotTheModules},
    {"the slowest OK is its column's mark", 3000, 3000, 17, Verdict::Ok, 90, 1, Kind::Ok},
    {"an exception at the oldest kept, the ring replacing", 160'000, 100'000, 60'003,
     Verdict::Exception, 12, 7, Kind::Fault},
    {"a No reply gone with the oldest", 160'000, 100'000, 59'999, Verdict::NoReply, -1, 7,
     Kind::Ok},
};

const struct {
    const char *name;
    int odd;
    const char *reply, *verdict;
} ClickCases[] = {
    {"no reply, the oldest", 0, "", "No reply"},
    {"CRC error", 123, "01 01 01 85 90 2C", "CRC error"},
    {"exception, the newest", 299, "01 81 02 C1 91", "Exception 2"},
};

// Widths: 0, room for the two newest days only. Years: under each day.
const struct {
    const char *name;
    int width, shown;
    const char *firstDay, *captionYear, *years;
} BarCases[] = {
    {"room for all", 600, 5, "2026-12-07", "2026", ",,,,"},
    {"room for the latest two", 0, 2, "2026-12-07", "2026", ",,,,"},
    {"across a new year", 600, 5, "2026-12-30", "", "2026,,2027,,"},
    {"the latest two, in the new year", 0, 2, "2026-12-30", "2027", ",,,,"},
};

} // namespace

class ChartsTest : public QObject {
    Q_OBJECT
private slots:
    // Following the ring as it fills and replaces, columns stay what their transactions make
    // them: an odd one among 100,000 keeps its column's colour and is what a click shows.
    void columnsKeepTheWorst_data() { addCaseRows(ColumnCases); }
    void columnsKeepTheWorst()
    {
        const auto &[name, count, capacity, odd, verdict, ms, batch, kind] = fetchCase(ColumnCases);
        constexpr int Width = 1000;
        line::Traffic traffic{std::size_t(capacity)};
        TimelineColumns columns(traffic);
        columns.setWidth(Width);
        for (int i = 0; i < count; ++i) {
            traffic.add(poll(i, odd, verdict, ms));
            if (i % batch == 0)
                columns.refresh();
        }
        columns.refresh();
        QCOMPARE(columns.scans(), 1); // only the first, with nothing in it

        QVERIFY(columns.size() <= Width && columns.size() > Width / 3);
        std::uint64_t counted = 0;
        for (int i = 0; i < columns.size(); ++i) {
            const TimelineColumns::Column &c = columns[i];
            if (c.count == 0)
                continue;
            QCOMPARE(c.first, traffic.firstSequence() + counted);
            counted += c.count;
            const QString wrong = columnFault(traffic, c);
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
            const bool holdsOdd = std::uint64_t(odd) - c.first < c.count;
            QCOMPARE(c.worst, holdsOdd ? kind : Kind::Ok);
            if (holdsOdd && kind != Kind::Ok)
                QCOMPARE(c.mark, std::uint64_t(odd));
        }
        QCOMPARE(counted, traffic.size());
    }

    // A click on the red mark selects the faulty transaction's row, scrolled into view, and the
    // mark's tooltip names its verdict. Until then the table follows the newest row.
    void clickSelectsTheRow_data() { addCaseRows(ClickCases); }
    void clickSelectsTheRow()
    {
        const auto &[name, odd, reply, verdict] = fetchCase(ClickCases);
        LineTap tap;
        line::LineMonitor &monitor = tap.monitor();
        const line::Time start = std::chrono::steady_clock::now() - 1h;
        for (int i = 0; i < 300; ++i)
            exchange(monitor, start + i * 2s, bytesOf(ReadCoils0To7),
                     bytesOf(i == odd ? reply : CoilsReply));
        monitor.closeNow();

        MonitorWindow window(tap);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *strip = window.findChild<TimelineStrip *>(QStringLiteral("timeline"));
        auto *table = window.findChild<QTableView *>(QStringLiteral("traffic"));
        const QScrollBar *bar = table->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum()); // opened with more rows than fit, it follows
        const int x = redColumn(*strip);
        QVERIFY(x >= 0);
        QVERIFY2(strip->toolTipAt(x).contains(verdict), qPrintable(strip->toolTipAt(x)));

        QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(x, strip->height() / 2));
        const QModelIndexList rows = table->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].row(), odd);
        QCOMPARE(rows[0].siblingAtColumn(TrafficModel::Verdict).data().toString(), verdict);
        QVERIFY(table->viewport()->rect().intersects(table->visualRect(rows[0])));
    }

    // The span box names the span shown or none once zoomed; choosing the entry again
    // undoes the zoom; Follow brings back the span chosen, everything kept included. The
    // read-out follows the view under a still cursor and is cleared when it leaves.
    void trendSpanBoxSaysWhatIsShown()
    {
        LineTap tap;
        TrendRecorder recorder(tap);
        const line::Time start = std::chrono::steady_clock::now() - 30min;
        for (int i = 0; i < 900; ++i)
            exchange(tap.monitor(), start + i * 2s, bytesOf(ReadCoils0To7), bytesOf(CoilsReply));
        tap.monitor().closeNow();
        TrendWindow window(recorder);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *box = window.findChild<QComboBox *>(QStringLiteral("span"));
        auto *plot = window.findChild<TrendPlot *>(QStringLiteral("trendPlot"));
        auto *readOut = window.findChild<QLabel *>(QStringLiteral("readOut"));
        const auto shown = [&] {
            line::Time from, to;
            plot->visibleRange(from, to);
            return std::chrono::duration_cast<std::chrono::seconds>(to - from).count();
        };
        const QPoint at(plot->width() / 2, plot->height() / 2);
        QTest::mouseMove(plot, at);
        const QString before = readOut->text();
        QVERIFY(before.contains("relays 10100001"));

        QWheelEvent zoom(at, plot->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {},
                         Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(plot, &zoom);
        QCOMPARE(box->currentIndex(), -1);
        QVERIFY(shown() < 600);
        emit box->activated(1);
        QCOMPARE(shown(), 600);

        box->setCurrentIndex(3);
        emit box->activated(3);
        QCOMPARE(readOut->text(), plot->readOutAt(at.x()));
        QVERIFY(readOut->text() != before);
        const int everything = int(shown());
        QTest::mousePress(plot, Qt::LeftButton, {}, at);
        QTest::mouseMove(plot, at + QPoint(100, 0));
        QTest::mouseRelease(plot, Qt::LeftButton, {}, at + QPoint(100, 0));
        QCOMPARE(box->currentIndex(), -1);
        QCoreApplication::sendEvent(plot, &zoom);
        window.findChild<QPushButton *>(QStringLiteral("follow"))->click();
        QCOMPARE(box->currentIndex(), 3);
        QCOMPARE(shown(), everything);

        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(plot, &leave);
        QVERIFY(readOut->text().isEmpty());
    }

    // Each judged day's bar is its first-pass yield of the full height, oldest at the left; a
    // day with no serial number to judge has its count of runs but no bar; a narrow chart
    // keeps the newest days. The year is the caption's when the days shown share one, else
    // it is under the first day of each.
    void barsAreTheFirstPassYield_data() { addCaseRows(BarCases); }
    void barsAreTheFirstPassYield()
    {
        const auto &[name, width, shown, firstDay, captionYear, years] = fetchCase(BarCases);
        struct Day {
            int runs, serials, firstPass;
        };
        const Day table[] = {{5, 3, 2}, {2, 0, 0}, {4, 4, 4}, {1, 1, 0}, {3, 2, 2}};
        std::vector<figures::DayYield> days;
        for (const Day &d : table) {
            const QDate day = QDate::fromString(QString(firstDay), Qt::ISODate);
            // Every one passed in the end: not what the bars show.
            days.push_back({day.addDays(qint64(days.size())).toString(Qt::ISODate).toStdString(),
                            d.runs, 0, 0, 0, 0, d.serials, d.firstPass, d.serials});
        }
        YieldBars bars;
        bars.setDays(days);
        const int slot = bars.fontMetrics().horizontalAdvance(QStringLiteral("00-00")) + 6;
        const int axis = bars.fontMetrics().horizontalAdvance(QStringLiteral("100 %")) + 6;
        bars.resize(width > 0 ? width : axis + 4 + 2 * slot + slot / 2, 200);

        const int full = bars.bar(4).height(); // 2 of 2
        const int floor = bars.bar(4).bottom();
        QVERIFY(full > bars.height() / 2);
        for (int i = 0; i < 5; ++i) {
            const QRect bar = bars.bar(i);
            const bool hasRoom = i >= 5 - shown;
            QCOMPARE(bars.runsLabel(i).isNull(), !hasRoom);
            if (!hasRoom || table[i].serials == 0) {
                QVERIFY(bar.isNull());
                continue;
            }
            const double yield = double(table[i].firstPass) / table[i].serials;
            QVERIFY2(
                std::abs(bar.height() - yield * full) <= 2,
                qPrintable(QStringLiteral("day %1: %2 of %3").arg(i).arg(bar.height()).arg(full)));
            QCOMPARE(bar.bottom(), floor);
            QVERIFY(bars.runsLabel(i).bottom() < bar.top());
            if (i > 0 && !bars.bar(i - 1).isNull())
                QVERIFY(bars.bar(i - 1).right() < bar.left());
        }
        QStringList under;
        for (int i = 0; i < 5; ++i)
            under << bars.yearLabel(i);
        QCOMPARE(under.join(','), years);
        QCOMPARE(bars.caption().contains("2026"), captionYear == QString("2026"));
        QCOMPARE(bars.caption().contains("2027"), captionYear == QString("2027"));
        QVERIFY(bars.toolTipAt(bars.runsLabel(4).center()).contains("3 runs"));
        if (shown == 5)
            QVERIFY(bars.toolTipAt(bars.runsLabel(1).center()).contains("no serial number"));
    }
};

QTEST_MAIN(ChartsTest)
#include "tst_charts.moc"
