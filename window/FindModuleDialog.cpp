#include "FindModuleDialog.h"

#include "LineSession.h"
#include "SerialComm.h"
#include "Words.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

namespace {

enum Column { Port, Device, Address, Time, Answer, Columns };
constexpr int AddressFieldMax = 99;

QString answerText(const procedures::Scan::Found &m)
{
    if (m.verdict == line::Verdict::Exception && m.exceptionCode)
        return QStringLiteral("exception %1: %2")
            .arg(*m.exceptionCode)
            .arg(QString::fromStdString(line::exceptionName(*m.exceptionCode)));
    if (m.verdict == line::Verdict::CrcError)
        return QStringLiteral("reply with a bad CRC: a poor line?");
    if (m.verdict == line::Verdict::Garbled)
        return QStringLiteral("garbled reply: a poor line?");
    return QStringLiteral("good reply");
}

} // namespace

FindModuleDialog::FindModuleDialog(LineSession &session, QWidget *parent)
    : QDialog(parent), session(session), allPorts(tr("Every COM port present")), start(tr("Scan")),
      use(tr("Use")), close(tr("Close")), results(0, Columns)
{
    setWindowTitle(tr("Find module"));
    setObjectName(QStringLiteral("findModule"));
    first.setRange(1, 247);
    last.setRange(1, 247);
    last.setValue(247);
    // Up to the line's reply window: a later reply is no reply.
    timeout.setRange(int(procedures::Scan::ShortestTimeout.count()),
                     int(procedures::Scan::LongestTimeout.count()));
    timeout.setToolTip(tr("At least %1 ms: %2.")
                           .arg(procedures::Scan::ShortestTimeout.count())
                           .arg(QString::fromLatin1(procedures::Scan::ShortestTimeoutReason)));
    timeout.setValue(100);
    timeout.setSuffix(tr(" ms"));
    timeout.setMaximumWidth(100);
    for (QWidget *w : std::initializer_list<QWidget *>{&allPorts, &first, &last, &timeout, &start,
                                                       &use, &close, &progress, &results})
        w->setParent(this);
    allPorts.setObjectName(QStringLiteral("allPorts"));
    first.setObjectName(QStringLiteral("first"));
    last.setObjectName(QStringLiteral("last"));
    timeout.setObjectName(QStringLiteral("timeout"));
    start.setObjectName(QStringLiteral("scan"));
    use.setObjectName(QStringLiteral("use"));
    results.setObjectName(QStringLiteral("results"));
    progress.setObjectName(QStringLiteral("progress"));

    where.setText(tr("COM %1 (the COM Port field), 9600 8N1").arg(session.comm().CommPort()));
    auto *addresses = new QHBoxLayout;
    addresses->addWidget(&first);
    addresses->addWidget(new QLabel(tr("to"), this));
    addresses->addWidget(&last);
    addresses->addStretch();
    auto *form = new QFormLayout;
    form->addRow(tr("Port:"), &where);
    form->addRow(QString(), &allPorts);
    form->addRow(tr("Addresses:"), addresses);
    form->addRow(tr("Wait for a reply:"), &timeout);

    results.setHorizontalHeaderLabels(
        {tr("COM"), tr("Device"), tr("Address"), tr("ms"), tr("Answer")});
    results.setSelectionBehavior(QAbstractItemView::SelectRows);
    results.setSelectionMode(QAbstractItemView::SingleSelection);
    results.setEditTriggers(QAbstractItemView::NoEditTriggers);
    results.verticalHeader()->hide();
    results.setWordWrap(false);
    results.verticalHeader()->setDefaultSectionSize(results.fontMetrics().height() + 6);
    results.horizontalHeader()->setStretchLastSection(true);
    results.setColumnWidth(Port, 50);
    results.setColumnWidth(Device, 150);
    results.setColumnWidth(Address, 60);
    results.setColumnWidth(Time, 45);
    progress.setTextVisible(true);
    progress.setFormat(tr("Not started"));
    progress.setValue(0);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(&start);
    buttons->addStretch();
    buttons->addWidget(&use);
    buttons->addWidget(&close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(&progress);
    layout->addWidget(&results, 1);
    layout->addLayout(buttons);
    resize(560, 420);

    use.setEnabled(false);
    start.setDefault(true);
    connect(&start, &QPushButton::clicked, this, &FindModuleDialog::startScan);
    connect(&close, &QPushButton::clicked, this, &FindModuleDialog::reject);
    connect(&use, &QPushButton::clicked, this, &FindModuleDialog::useSelected);
    connect(&results, &QTableWidget::itemSelectionChanged, this, [this] {
        const auto rows = results.selectionModel()->selectedRows();
        use.setEnabled(!scanning() && !rows.isEmpty() &&
                       results.item(rows.front().row(), Address)->data(Qt::UserRole).toInt() <=
                           AddressFieldMax);
    });
    connect(&results, &QTableWidget::cellDoubleClicked, this, [this] {
        if (use.isEnabled())
            useSelected();
    });
}

FindModuleDialog::~FindModuleDialog()
{
    if (runner) { // the window closed under a running scan
        runner->cancel();
        finished();
    }
}

void FindModuleDialog::startScan()
{
    if (scanning())
        return;
    procedures::Scan::Plan plan;
    if (allPorts.isChecked())
        ScanRunner::addEveryPort(plan);
    else
        plan.ports.push_back(session.comm().CommPort());
    if (first.value() > last.value()) {
        progress.setFormat(tr("The first address must not be above the last"));
        first.setFocus();
        return;
    }
    plan.first = first.value();
    plan.last = last.value();

    const SerialComm &comm = session.comm();
    portBefore = comm.CommPort();
    openBefore = comm.PortOpen() || comm.opening();
    results.setRowCount(0);
    runner =
        std::make_unique<ScanRunner>(session, plan, std::chrono::milliseconds(timeout.value()));
    connect(runner.get(), &ScanRunner::probing, this, [this](int port, int address) {
        progress.setValue(runner->scan().probesDone());
        progress.setFormat(tr("COM %1, address %2").arg(port).arg(address));
    });
    connect(runner.get(), &ScanRunner::found, this, &FindModuleDialog::addRow);
    connect(runner.get(), &ScanRunner::finished, this, &FindModuleDialog::finished);
    progress.setRange(0, std::max(1, runner->scan().probesTotal()));
    for (QWidget *w :
         std::initializer_list<QWidget *>{&allPorts, &first, &last, &timeout, &start, &use})
        w->setEnabled(false);
    close.setText(tr("Cancel"));
    runner->start();
}

void FindModuleDialog::addRow(const procedures::Scan::Found &m)
{
    const int row = results.rowCount();
    results.insertRow(row);
    const auto cell = [&](Column c, const QString &text) {
        auto *item = new QTableWidgetItem(text);
        results.setItem(row, c, item);
        return item;
    };
    cell(Port, QString::number(m.port))->setData(Qt::UserRole, m.port);
    cell(Device, QString::fromStdString(m.device));
    cell(Address, QString::number(m.address))->setData(Qt::UserRole, m.address);
    cell(Time, m.responseMs ? QString::number(*m.responseMs, 'f', 0) : QString());
    QString answer = answerText(m);
    if (m.address > AddressFieldMax)
        answer += tr(", outside the Address field's range (0 to 99)");
    cell(Answer, answer);
}

void FindModuleDialog::finished()
{
    const bool cancelled = runner->scan().cancelled();
    const std::size_t found = runner->scan().found().size();
    QStringList lost;
    for (int port : runner->scan().lostPorts())
        lost.append(tr("COM %1 was lost part way: %2").arg(port).arg(runner->lostReason(port)));
    runner.release()->deleteLater(); // it is still raising the signal that got us here
    emit restorePort(portBefore, openBefore);
    for (QWidget *w : std::initializer_list<QWidget *>{&allPorts, &first, &last, &timeout, &start})
        w->setEnabled(true);
    close.setText(tr("Close"));
    progress.setValue(progress.maximum());
    progress.setFormat(cancelled ? tr("Cancelled: %n module(s) found", nullptr, int(found))
                       : found   ? tr("%n module(s) found", nullptr, int(found))
                                 : tr("No module answered"));
    if (!lost.isEmpty())
        progress.setFormat(progress.format() + QStringLiteral("; ") +
                           lost.join(QStringLiteral("; ")));
    emit results.itemSelectionChanged();
}

void FindModuleDialog::useSelected()
{
    const auto rows = results.selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const int row = rows.front().row();
    emit useModule(results.item(row, Port)->data(Qt::UserRole).toInt(),
                   results.item(row, Address)->data(Qt::UserRole).toInt());
    accept();
}

// Cancel stops a scan at once; Close, or Escape, then closes.
void FindModuleDialog::reject()
{
    if (scanning()) {
        runner->cancel();
        return;
    }
    QDialog::reject();
}
