#include "MonitorWindow.h"

#include "LineTap.h"
#include "TrafficCsv.h"
#include "Words.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString milliseconds(const std::optional<double> &ms)
{
    return ms ? QString::number(*ms, 'f', 1) : QStringLiteral("-");
}

} // namespace

MonitorWindow::MonitorWindow(LineTap &tap, QWidget *parent)
    : QMainWindow(parent), tap(tap), model(tap.monitor()), timeline(tap.monitor())
{
    setWindowTitle(QStringLiteral("RZM-530 Line Monitor"));
    setObjectName(QStringLiteral("lineMonitor"));
    resize(1000, 560);

    toolBar = addToolBar(tr("Line"));
    toolBar->setMovable(false);
    toolBar->addAction(tr("Save…"), this, &MonitorWindow::save);

    view.setObjectName(QStringLiteral("traffic"));
    view.setModel(&model);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setWordWrap(false);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 4);
    view.verticalHeader()->hide();
    view.horizontalHeader()->setStretchLastSection(true);
    const std::array<int, TrafficModel::Columns - 1> widths{85, 65, 170, 300, 90, 45};
    for (int c = 0; c < int(widths.size()); ++c)
        view.setColumnWidth(c, widths[std::size_t(c)]);
    auto *copy = new QAction(tr("Copy"), &view);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &MonitorWindow::copyRows);
    view.addAction(copy);
    view.setContextMenuPolicy(Qt::ActionsContextMenu);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(healthPanel());
    layout->addWidget(&timeline);
    layout->addWidget(&view, 1);
    connect(&timeline, &TimelineStrip::transactionClicked, this,
            [this](std::uint64_t sequence) { TimelineStrip::selectInTable(view, sequence); });
    setCentralWidget(central);

    catchUpSoon.setSingleShot(true);
    connect(&catchUpSoon, &QTimer::timeout, this, &MonitorWindow::catchUp);
    sinceCatchUp.start();
    // Hidden, it does nothing: showing it catches up at once.
    connect(&tap, &LineTap::transactionEnded, this, [this] {
        if (isVisible() && !catchUpSoon.isActive())
            catchUpSoon.start(int(std::max<qint64>(0, CatchUpEveryMs - sinceCatchUp.elapsed())));
    });
    connect(&tap, &LineTap::healthReset, this, &MonitorWindow::showHealth);
    showHealth();
    view.scrollToBottom();
}

QWidget *MonitorWindow::healthPanel()
{
    auto *box = new QGroupBox(tr("Health since the last reset"), this);
    auto *grid = new QGridLayout(box);
    static const char *const Names[Figures] = {
        "Requests:",          "Good replies:",        "No reply:",
        "CRC errors:",        "Exceptions:",          "Wrong address:",
        "Garbled:",           "Unsolicited bytes:",   "Response time:",
        "Counting since:",    "Ended by the tester:", "Scan probes:",
        "Self-test requests:"};
    // Each figure's room is fixed, for its longest likely text: a label of a
    // fixed size changes its text without laying the panel out again.
    const auto longest = [](int f) {
        switch (f) {
        case Exceptions:
            return "99999 × code 99, 99999 × code 99";
        case ResponseTime:
            return "last 999.9, min 999.9, mean 999.9, max 999.9 ms";
        case Since:
            return "2026-12-07 14:03:21";
        case ScanProbes:
        case SelfTestRequests:
            return "9999999 sent, 9999999 answered";
        default:
            return "9999999999";
        }
    };
    for (int f = 0; f < Figures; ++f) {
        const int row = f % 5, column = f / 5 * 2;
        grid->addWidget(new QLabel(tr(Names[f]), box), row, column);
        FigureLabel &value = figures[std::size_t(f)];
        value.setObjectName(QStringLiteral("figure%1").arg(f));
        value.setFixedSize(value.fontMetrics().horizontalAdvance(QString::fromUtf8(longest(f))) + 4,
                           value.fontMetrics().height() + 2);
        grid->addWidget(&value, row, column + 1);
    }
    grid->setColumnStretch(6, 1);
    auto *reset = new QPushButton(tr("Reset"), box);
    connect(reset, &QPushButton::clicked, &tap, &LineTap::resetHealth);
    grid->addWidget(reset, 4, 4, Qt::AlignRight);
    return box;
}

void MonitorWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    catchUp();
    view.scrollToBottom(); // laid out only now: more rows than fit would stop it following
}

void MonitorWindow::catchUp()
{
    sinceCatchUp.restart();
    const QScrollBar *bar = view.verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    model.refresh();
    timeline.refresh();
    if (following)
        view.scrollToBottom();
    showHealth();
}

void MonitorWindow::showHealth()
{
    const line::Health &h = tap.monitor().health();
    const auto set = [this](Figure f, const QString &text) {
        QLabel &figure = figures[std::size_t(f)];
        if (figure.text() != text) // most figures stay as they are
            figure.setText(text);
    };
    set(Requests, QString::number(h.requests));
    set(Good, QString::number(h.good));
    set(NoReply, QString::number(h.noReply));
    set(CrcErrors, QString::number(h.crcErrors));
    QStringList byCode;
    for (const auto &[code, count] : h.exceptions)
        byCode.append(tr("%1 × code %2").arg(count).arg(code));
    set(Exceptions, byCode.isEmpty() ? QStringLiteral("0") : byCode.join(QStringLiteral(", ")));
    set(WrongAddress, QString::number(h.wrongAddress));
    set(Garbled, QString::number(h.garbled));
    set(Unsolicited, QString::number(h.unsolicitedBytes));
    set(ResponseTime, tr("last %1, min %2, mean %3, max %4 ms")
                          .arg(milliseconds(h.lastMs), milliseconds(h.minMs),
                               milliseconds(h.meanMs()), milliseconds(h.maxMs)));
    set(Since, QString::fromStdString(line::dateAndTime(h.sinceWall)).left(19));
    set(EndedByTester, QString::number(h.endedByTester));
    const auto tool = [](const line::Health::ToolCount &c) {
        return tr("%1 sent, %2 answered").arg(c.requests).arg(c.answered);
    };
    set(ScanProbes, tool(h.scanProbes));
    set(SelfTestRequests, tool(h.selfTestRequests));
}

void MonitorWindow::save()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save the traffic"),
                                                      QStringLiteral("rzm530-traffic.csv"),
                                                      tr("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const line::LineMonitor &monitor = tap.monitor();
    const line::Traffic &traffic = monitor.traffic();
    if (ok) {
        ok = file.write(QByteArray::fromStdString(line::trafficCsvHeader())) >= 0;
        for (std::size_t i = 0; ok && i < traffic.size(); ++i)
            ok = file.write(QByteArray::fromStdString(
                     line::trafficCsvRow(traffic[i], monitor.wallClock()))) >= 0;
        ok = file.flush() && ok;
    }
    if (!ok)
        QMessageBox::warning(this, windowTitle(),
                             tr("Could not save %1: %2").arg(path, file.errorString()));
}

void MonitorWindow::copyRows()
{
    const QString text = model.rowsAsText(view.selectionModel()->selectedIndexes());
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}
