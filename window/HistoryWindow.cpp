#include "HistoryWindow.h"

#include "HistoryLink.h"
#include "HistorySettings.h"
#include "HistorySettingsDialog.h"
#include "MessageBox.h"
#include "Report.h"
#include "ReportHtml.h"
#include "ReportWindow.h"
#include "RunCsv.h"
#include "RunKeeper.h"
#include "StoredReport.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QSaveFile>
#include <QSplitter>
#include <QStandardPaths>
#include <QThread>
#include <QVBoxLayout>

#include <array>

namespace {

constexpr int RefreshDelayMs = 250;

} // namespace

HistoryWindow::HistoryWindow(HistoryLink &link, QWidget *parent)
    : QWidget(parent, Qt::Window), link(link), useSince(tr("From")), useUntil(tr("to")),
      model(this), openButton(tr("Open report")), exportButton(tr("Export CSV…")),
      syncButton(tr("Sync")), settingsButton(tr("Settings…"))
{
    setWindowTitle(QStringLiteral("RZM-530 Test History"));
    setObjectName(QStringLiteral("history"));

    runs.setObjectName(QStringLiteral("runs"));
    runs.setModel(&model);
    runs.setSelectionBehavior(QAbstractItemView::SelectRows);
    runs.setSelectionMode(QAbstractItemView::SingleSelection);
    runs.setEditTriggers(QAbstractItemView::NoEditTriggers);
    runs.setAlternatingRowColors(true);
    runs.verticalHeader()->hide();
    runs.verticalHeader()->setDefaultSectionSize(runs.fontMetrics().height() + 6);
    runs.horizontalHeader()->setStretchLastSection(true);
    runs.horizontalHeader()->setHighlightSections(false);
    for (const auto &[column, width] :
         std::array<std::pair<int, int>, 6>{{{HistoryModel::Started, 150},
                                             {HistoryModel::Serial, 130},
                                             {HistoryModel::Operator, 110},
                                             {HistoryModel::Station, 110},
                                             {HistoryModel::Slot, 140},
                                             {HistoryModel::Outcome, 80}}})
        runs.setColumnWidth(column, width);
    connect(&runs, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { openReport(index.row()); });

    status.setObjectName(QStringLiteral("status"));
    status.setTextInteractionFlags(Qt::TextSelectableByMouse);
    progress.setObjectName(QStringLiteral("progress"));
    progress.setMaximumWidth(160);
    progress.setFormat(tr("%v of %m"));
    progress.hide();
    openButton.setObjectName(QStringLiteral("open"));
    exportButton.setObjectName(QStringLiteral("export"));
    syncButton.setObjectName(QStringLiteral("sync"));
    settingsButton.setObjectName(QStringLiteral("settings"));
    connect(&openButton, &QPushButton::clicked, this, [this] {
        const QModelIndexList selected = runs.selectionModel()->selectedRows();
        if (!selected.isEmpty())
            openReport(selected.front().row());
    });
    connect(&exportButton, &QPushButton::clicked, this, &HistoryWindow::exportCsv);
    connect(&syncButton, &QPushButton::clicked, this, [this] {
        syncButton.setEnabled(false);
        progress.setRange(0, 0);
        progress.show();
        this->link.keeper().sync();
    });
    connect(&settingsButton, &QPushButton::clicked, this, &HistoryWindow::editSettings);
    connect(&link, &HistoryLink::progress, this, [this](int uploaded, int total) {
        progress.setRange(0, total);
        progress.setValue(uploaded);
        progress.show();
    });
    connect(&link, &HistoryLink::synced, this, &HistoryWindow::synced);
    connect(&link, &HistoryLink::kept, this, [this] {
        if (connected)
            refresh();
    });
    connect(&link, &HistoryLink::reconnected, this, [this] {
        if (connected)
            connectDatabases();
    });

    refreshSoon.setSingleShot(true);
    refreshSoon.setInterval(RefreshDelayMs);
    connect(&refreshSoon, &QTimer::timeout, this, &HistoryWindow::refresh);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(&runs);
    splitter->addWidget(yieldPanel());
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({400, 200});
    splitter->setChildrenCollapsible(false);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(&status, 1);
    bottom->addWidget(&progress);
    for (QPushButton *b : {&openButton, &exportButton, &syncButton, &settingsButton})
        bottom->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(filterPanel());
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);
    resize(1000, 680);
}

HistoryWindow::~HistoryWindow() = default;

QWidget *HistoryWindow::filterPanel()
{
    auto *box = new QGroupBox(tr("Show the runs of"), this);
    serial.setObjectName(QStringLiteral("serial"));
    serial.setPlaceholderText(tr("any serial number, or part of one"));
    operatorName.setObjectName(QStringLiteral("operator"));
    operatorName.setPlaceholderText(tr("anyone"));
    station.setObjectName(QStringLiteral("station"));
    station.setPlaceholderText(tr("any station"));
    outcome.setObjectName(QStringLiteral("outcome"));
    outcome.addItem(tr("any outcome"));
    for (const procedures::Outcome o : procedures::Outcomes)
        outcome.addItem(QString::fromLatin1(procedures::outcomeWord(o)).toUpper(), int(o));
    const QDate today = QDate::currentDate();
    for (QDateEdit *edit : {&since, &until}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setDate(today);
        edit->setEnabled(false);
    }
    since.setObjectName(QStringLiteral("since"));
    until.setObjectName(QStringLiteral("until"));
    useSince.setObjectName(QStringLiteral("useSince"));
    useUntil.setObjectName(QStringLiteral("useUntil"));
    since.setDate(today.addDays(-30));

    for (QLineEdit *edit : {&serial, &operatorName, &station})
        connect(edit, &QLineEdit::textChanged, &refreshSoon, qOverload<>(&QTimer::start));
    connect(&outcome, &QComboBox::currentIndexChanged, this, &HistoryWindow::refresh);
    for (QDateEdit *edit : {&since, &until})
        connect(edit, &QDateEdit::dateChanged, &refreshSoon, qOverload<>(&QTimer::start));
    connect(&useSince, &QCheckBox::toggled, &since, &QWidget::setEnabled);
    connect(&useUntil, &QCheckBox::toggled, &until, &QWidget::setEnabled);
    for (QCheckBox *check : {&useSince, &useUntil})
        connect(check, &QCheckBox::toggled, this, &HistoryWindow::refresh);

    auto *grid = new QGridLayout(box);
    grid->addWidget(new QLabel(tr("Serial number:"), box), 0, 0);
    grid->addWidget(&serial, 0, 1);
    grid->addWidget(new QLabel(tr("Operator:"), box), 0, 2);
    grid->addWidget(&operatorName, 0, 3);
    grid->addWidget(new QLabel(tr("Station:"), box), 0, 4);
    grid->addWidget(&station, 0, 5);
    grid->addWidget(new QLabel(tr("Outcome:"), box), 1, 0);
    auto *days = new QHBoxLayout;
    days->addWidget(&outcome);
    days->addSpacing(16);
    days->addWidget(&useSince);
    days->addWidget(&since);
    days->addWidget(&useUntil);
    days->addWidget(&until);
    days->addStretch();
    grid->addLayout(days, 1, 1, 1, 5);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);
    return box;
}

QWidget *HistoryWindow::yieldPanel()
{
    auto *box = new QGroupBox(tr("Yield per day of the runs shown"), this);
    yield.setObjectName(QStringLiteral("yield"));
    yield.setColumnCount(8);
    yield.setHorizontalHeaderLabels({tr("Day"), tr("Runs"), tr("PASS"), tr("FAIL"), tr("ERROR"),
                                     tr("ABORTED"), tr("First-pass yield"), tr("Final yield")});
    yield.verticalHeader()->hide();
    yield.verticalHeader()->setDefaultSectionSize(yield.fontMetrics().height() + 6);
    yield.setEditTriggers(QAbstractItemView::NoEditTriggers);
    yield.setSelectionMode(QAbstractItemView::NoSelection);
    yield.horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    yield.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    yield.setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    yield.setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Expanding);
    yield.setToolTip(
        tr("First-pass yield: the share of serial numbers whose first PASS or FAIL passed, on "
           "that run's day. Final yield: the share whose latest PASS or FAIL passed. ERROR and "
           "ABORTED runs, and runs without a serial number, count in their columns only."));
    yieldRow.addWidget(&yield, 0);
    yieldRow.addWidget(&yieldBars, 1);
    box->setLayout(&yieldRow);
    return box;
}

RunFilter HistoryWindow::filter() const
{
    RunFilter f;
    f.serial = serial.text().trimmed();
    f.operatorName = operatorName.text().trimmed();
    f.station = station.text().trimmed();
    if (useSince.isChecked())
        f.since = since.date();
    if (useUntil.isChecked())
        f.until = until.date();
    if (outcome.currentIndex() > 0)
        f.outcome = procedures::Outcome(outcome.currentData().toInt());
    return f;
}

// The database opens when the window is first shown, not when the tester starts.
void HistoryWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!connected)
        connectDatabases();
}

// The local file is read at once; a server is first reached from a thread of its own, so that
// one that does not answer never freezes the window. Only once it answered is it opened here,
// where the window's queries run.
void HistoryWindow::connectDatabases()
{
    connected = true;
    model.show(nullptr, {});
    server.reset();
    serverProblem.clear();
    QString error;
    if (!local)
        local = HistoryDb::openLocal(localHistoryPath(), &error);
    if (!local)
        serverProblem = tr("cannot open %1: %2").arg(localHistoryPath(), error);
    const QString url = HistorySettings::load().server;
    serverSet = !url.isEmpty();
    syncButton.setEnabled(serverSet);
    if (serverSet) {
        if (const auto parsed = ServerUrl::parse(url, &error)) {
            serverProblem = tr("reaching %1…").arg(parsed->shown());
            reachServer(*parsed);
        } else {
            serverProblem =
                tr("the server cannot be used (%1): showing this computer's runs").arg(error);
        }
    }
    refresh();
}

void HistoryWindow::reachServer(const ServerUrl &url)
{
    const quint64 attempt = ++reachAttempt;
    auto why = std::make_shared<QString>();
    QThread *check = QThread::create([url, why] {
        QString error;
        if (!HistoryDb::openServer(url, &error))
            *why = error.isEmpty() ? QStringLiteral("no answer") : error;
    });
    // The thread ends by itself, even after the window has gone.
    connect(check, &QThread::finished, check, &QObject::deleteLater);
    connect(check, &QThread::finished, this, [this, attempt, url, why] {
        if (attempt != reachAttempt)
            return; // the settings changed meanwhile
        QString error = *why;
        if (error.isEmpty())
            server = HistoryDb::openServer(url, &error);
        serverProblem =
            server
                ? QString()
                : tr("the server cannot be reached (%1): showing this computer's runs").arg(error);
        refresh();
    });
    check->start();
}

void HistoryWindow::refresh()
{
    refreshSoon.stop();
    const HistoryDb *db = server ? server.get() : local.get();
    model.show(db, filter());
    showYield();
    // A refused read is no empty history: say why, and fall back to this computer's runs.
    if (db && !db->lastError().isEmpty()) {
        const QString why = tr("cannot read %1: %2").arg(db->name(), db->lastError());
        if (server) {
            model.show(nullptr, {});
            server.reset();
            serverProblem = why + tr("; showing this computer's runs");
            refresh();
            return;
        }
        serverProblem = why;
    }
    showStatus(serverProblem);
}

void HistoryWindow::showYield()
{
    const HistoryDb *db = server ? server.get() : local.get();
    const std::vector<figures::DayYield> days =
        db ? figures::yieldByDay(db->yieldRuns(filter())) : std::vector<figures::DayYield>();
    yield.setRowCount(int(days.size()));
    // Newest day first, as the runs are.
    for (int row = 0; row < int(days.size()); ++row) {
        const figures::DayYield &d = days[days.size() - 1 - std::size_t(row)];
        const std::array<QString, 8> cells{QString::fromStdString(d.day),
                                           QString::number(d.runs),
                                           QString::number(d.pass),
                                           QString::number(d.fail),
                                           QString::number(d.error),
                                           QString::number(d.aborted),
                                           YieldBars::percent(d.firstPassYield()),
                                           YieldBars::percent(d.finalYield())};
        for (int column = 0; column < int(cells.size()); ++column) {
            auto *item = new QTableWidgetItem(cells[std::size_t(column)]);
            if (column > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            yield.setItem(row, column, item);
        }
    }
    yieldBars.setDays(days);
}

void HistoryWindow::showStatus(const QString &problem)
{
    const HistoryDb *db = server ? server.get() : local.get();
    const int shown = model.total();
    QString text = !db          ? tr("No history")
                   : shown == 1 ? tr("1 run in %1").arg(db->name())
                                : tr("%1 runs in %2").arg(shown).arg(db->name());
    if (serverSet && local) {
        const auto url = ServerUrl::parse(HistorySettings::load().server, nullptr);
        const int waiting = local->waitingCount(url ? url->shown() : QString(), true);
        text += waiting == 1 ? tr("; 1 run of this computer waits to go up")
                             : tr("; %1 runs of this computer wait to go up").arg(waiting);
    }
    if (!problem.isEmpty())
        text += QStringLiteral(" — ") + problem;
    status.setText(text);
}

void HistoryWindow::openReport(int row)
{
    const RunRow *found = model.runAt(row);
    const HistoryDb *db = server ? server.get() : local.get();
    if (!found || !db)
        return;
    const RunRow run = *found;
    QString error;
    const std::optional<QByteArray> json = db->reportJson(run.id);
    const std::optional<StoredReport> stored =
        json ? readStoredReport(*json, &error) : std::nullopt;
    if (!stored) {
        showTesterMessage(this, tr("The report of run %1 cannot be read: %2")
                                    .arg(run.id, json ? error : tr("it is not in the history")));
        return;
    }
    const line::WallTime started{std::chrono::milliseconds(run.started.toMSecsSinceEpoch())};
    const QString html = QString::fromStdString(
        records::reportHtml(stored->report, stored->header, stored->wallClock));
    auto *window = new ReportWindow(
        tr("Report of %1, %2")
            .arg(run.serial.isEmpty() ? tr("no serial number") : run.serial,
                 run.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
        html,
        QString::fromStdString(records::reportFileName(run.serial.toStdString(), started, "html")),
        this);
    window->setObjectName(QStringLiteral("report"));
    window->show();
}

void HistoryWindow::exportCsv()
{
    const HistoryDb *db = server ? server.get() : local.get();
    if (!db)
        return;
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export the runs shown"),
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath(QStringLiteral("rzm530-runs.csv")),
        tr("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly) && file.write(runCsvHeader()) >= 0;
    forEachRun(*db, filter(),
               [&](const RunRow &run) { written = written && file.write(runCsvRow(run)) >= 0; });
    if (!db->lastError().isEmpty()) { // the rows ended on damage: no file rather than half of one
        file.cancelWriting();
        showTesterMessage(
            this, tr("Nothing exported: cannot read %1: %2").arg(db->name(), db->lastError()));
    } else if (!written || !file.commit()) {
        showTesterMessage(
            this,
            tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    }
}

void HistoryWindow::editSettings()
{
    HistorySettingsDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        link.settingsChanged();
}

void HistoryWindow::synced(int uploaded, int waiting, const QString &error)
{
    progress.hide();
    syncButton.setEnabled(!HistorySettings::load().server.isEmpty());
    if (!error.isEmpty())
        serverProblem = error; // led by its cause already
    else if (server)
        serverProblem.clear();
    Q_UNUSED(uploaded)
    Q_UNUSED(waiting)
    if (connected) {
        if (error.isEmpty() && !server)
            connectDatabases(); // the server is back: read it
        else
            refresh();
    }
}
