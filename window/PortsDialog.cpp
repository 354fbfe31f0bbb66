#include "PortsDialog.h"

#include "ComPortNames.h"
#include "PortMap.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QVBoxLayout>

namespace {

int rowOf(int number)
{
    return number - PortMap::FirstPort;
}

int numberOf(int row)
{
    return row + PortMap::FirstPort;
}

} // namespace

PortsDialog::PortsDialog(QWidget *parent)
    : QDialog(parent), table(PortMap::LastPort - PortMap::FirstPort + 1, Columns), test(tr("Test"))
{
    setWindowTitle(tr("Ports"));
    table.setObjectName(QStringLiteral("ports"));
    test.setObjectName(QStringLiteral("test"));
    outcome.setObjectName(QStringLiteral("outcome"));
    table.setHorizontalHeaderLabels(
        {tr("COM"), tr("Resolves to"), tr("Mapping"), tr("Device present")});
    table.verticalHeader()->hide();
    table.horizontalHeader()->setStretchLastSection(false);
    table.horizontalHeader()->setSectionResizeMode(ResolvesTo, QHeaderView::Stretch);
    table.horizontalHeader()->setSectionResizeMode(Mapping, QHeaderView::Stretch);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setSelectionMode(QAbstractItemView::SingleSelection);
    table.setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);

    auto *note = new QLabel(
        tr("Map a number to a device, e.g. /dev/serial/by-id/usb-..., or to a serial device "
           "server, tcp://HOST:PORT; clear the mapping to go back to the devices present. "
           "Kept in %1.\nA TCP line's baud rate and framing belong to the server's own "
           "configuration, and its response times include the network.")
            .arg(PortMap::filePath()),
        this);
    note->setWordWrap(true);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    outcome.setWordWrap(true);
    outcome.setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(&test, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(&test, &QPushButton::clicked, this, &PortsDialog::testSelected);
    connect(&trial, &SerialComm::opened, this, [this] { tested(true, {}); });
    connect(&trial, &SerialComm::openFailed, this,
            [this](const QString &why) { tested(false, why); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(&table);
    layout->addWidget(&outcome);
    layout->addWidget(buttons);

    fill();
    connect(&table, &QTableWidget::itemChanged, this, &PortsDialog::mappingEdited);
    table.selectRow(0);
    resize(640, 480);
}

void PortsDialog::fill()
{
    const QList<int> present = ComPortNames::presentPorts();
    const QMap<int, QString> mapped = PortMap::mappings();
    for (int number = PortMap::FirstPort; number <= PortMap::LastPort; ++number) {
        const int row = rowOf(number);
        for (int column = 0; column < Columns; ++column) {
            auto *item = new QTableWidgetItem;
            if (column != Mapping)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            table.setItem(row, column, item);
        }
        table.item(row, Number)->setText(QString::number(number));
        table.item(row, Mapping)->setText(mapped.value(number));
        table.item(row, Present)
            ->setText(present.contains(number) ? ComPortNames::devicePath(number) : QString());
        showRow(row);
    }
}

void PortsDialog::showRow(int row)
{
    const QString target = PortMap::resolve(numberOf(row));
    table.item(row, ResolvesTo)->setText(target.isEmpty() ? tr("nothing") : target);
}

void PortsDialog::mappingEdited(QTableWidgetItem *item)
{
    if (item->column() != Mapping)
        return;
    const int number = numberOf(item->row());
    QString error;
    const QSignalBlocker quiet(table); // putting the entry back is no edit
    if (PortMap::setMapping(number, item->text(), &error)) {
        item->setText(PortMap::mapping(number));
        outcome.clear();
    } else {
        item->setText(PortMap::mapping(number));
        outcome.setText(tr("COM %1 not mapped: %2").arg(number).arg(error));
    }
    showRow(item->row());
}

void PortsDialog::testSelected()
{
    const QList<QTableWidgetItem *> selected = table.selectedItems();
    if (selected.isEmpty())
        return;
    trialNumber = numberOf(selected.front()->row());
    trial.setPortOpen(false);
    trial.setCommPort(trialNumber);
    if (!trial.setPortOpen(true)) {
        tested(false, trial.errorString());
        return;
    }
    if (trial.opening())
        outcome.setText(
            tr("COM %1: connecting to %2 ...").arg(trialNumber).arg(trial.devicePath()));
    else
        tested(true, {});
}

void PortsDialog::tested(bool ok, const QString &why)
{
    const QString target = trial.devicePath().isEmpty() ? tr("nothing") : trial.devicePath();
    outcome.setText(ok ? tr("COM %1 opened: %2").arg(trialNumber).arg(target)
                       : tr("COM %1 did not open (%2): %3").arg(trialNumber).arg(target, why));
    trial.setPortOpen(false); // the window's own port may want it next
}
