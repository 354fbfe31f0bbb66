#include "StationWindow.h"

#include "HistorySettings.h"
#include "ReportFiles.h"
#include "RunKeeper.h"
#include "RunRecord.h"
#include "SlotRun.h"
#include "StationTile.h"
#include "StepSummary.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QInputDialog>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr int TilesInARow = 4;
constexpr int TileWidth = 280;

} // namespace

struct StationWindow::Bay {
    const procedures::Station::Slot *slot;
    StationTile *tile;
    std::unique_ptr<SlotRun> run; // while a run is under way
    QString serialNumber;
};

StationWindow::StationWindow(procedures::Station s, Keeper keeper, QWidget *parent)
    : QWidget(parent), station(std::move(s)), keeper(std::move(keeper)),
      stationName(QString::fromStdString(station.name)),
      operatorName(QString::fromStdString(station.operatorName))
{
    setWindowTitle(QString::fromLatin1(Title));
    setAttribute(Qt::WA_QuitOnClose);
    if (stationName.isEmpty())
        stationName = HistorySettings::load().stationName();
    heading.setObjectName(QStringLiteral("heading"));
    status.setObjectName(QStringLiteral("status"));
    for (QLabel *label : {&heading, &status}) {
        QFont font = label->font();
        font.setPixelSize(15);
        label->setFont(font);
    }
    status.setWordWrap(true);
    auto *tiles = new QGridLayout;
    for (const procedures::Station::Slot &slot : station.slotList) {
        auto *tile = new StationTile(slot.number, QString::fromStdString(slot.name), this);
        tile->setMinimumWidth(TileWidth);
        const int at = int(bays.size());
        tiles->addWidget(tile, at / TilesInARow, at % TilesInARow);
        connect(tile, &StationTile::serialEntered, this,
                [this, at](const QString &serial) { start(std::size_t(at), serial); });
        bays.push_back({&slot, tile, nullptr, {}});
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(&heading);
    layout->addLayout(tiles);
    layout->addWidget(&status);
    showHeading();
    // Tab, and the keyboard when a field locks for its run, go on in slot order.
    for (std::size_t i = 1; i < bays.size(); ++i)
        setTabOrder(&bays[i - 1].tile->serialField(), &bays[i].tile->serialField());
}

StationWindow::~StationWindow()
{
    if (flashTimeBefore)
        QApplication::setCursorFlashTime(*flashTimeBefore);
}

QString StationWindow::cannotUse(const QString &refusal)
{
    return tr("The station file cannot be used: %1").arg(refusal);
}

std::optional<procedures::Station> StationWindow::readStation(const QString &path, QString *refusal)
{
    procedures::ParsedStation parsed =
        procedures::readStationFile(path.toStdString(), &SlotRun::portNameOf);
    if (!parsed.station)
        *refusal = QString::fromStdString(parsed.refusal.text());
    return std::move(parsed.station);
}

bool StationWindow::running() const
{
    return std::any_of(bays.begin(), bays.end(), [](const Bay &b) { return bool(b.run); });
}

void StationWindow::showHeading()
{
    QStringList parts{QStringLiteral("<b>%1</b>").arg(stationName.toHtmlEscaped())};
    parts << tr("Operator: %1").arg(operatorName.isEmpty() ? tr("none") : operatorName.toHtmlEscaped());
    parts << (station.fixture ? tr("Fixture: %1").arg(QString::fromStdString(station.fixture->name)
                                                          .toHtmlEscaped())
                              : tr("No fixture: the inputs are not tested"));
    parts << tr("Address %1").arg(station.address);
    heading.setText(parts.join(QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;")));
}

void StationWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (shownBefore)
        return;
    shownBefore = true;
    // Once the window is on the screen: the question then has a window to stand over.
    QTimer::singleShot(0, this, [this] {
        if (operatorName.isEmpty())
            askOperator();
        if (!bays.empty())
            bays.front().tile->serialField().setFocus();
    });
}

void StationWindow::askOperator()
{
    operatorName = QInputDialog::getText(this, QString::fromLatin1(Title),
                                         tr("Who runs this station? Every run keeps the name."))
                       .trimmed();
    showHeading();
}

void StationWindow::start(std::size_t at, const QString &serialNumber)
{
    Bay &bay = bays[at];
    if (bay.run || closing)
        return;
    procedures::SelfTestSettings settings;
    settings.address = std::uint8_t(station.address);
    settings.operatorPresent = false;
    settings.fixture = station.fixture;
    bay.serialNumber = serialNumber;
    bay.run = std::make_unique<SlotRun>(QString::fromStdString(bay.slot->port), settings);
    SlotRun &run = *bay.run;
    connect(&run, &SlotRun::progressed, bay.tile,
            [&run, tile = bay.tile] { tile->showProgress(run.progress()); });
    connect(&run, &SlotRun::finished, this, [this, at] { finish(at); });
    bay.tile->showStarted(serialNumber);
    focusIdleAfter(at);
    run.start();
}

void StationWindow::focusIdleAfter(std::size_t at)
{
    for (std::size_t step = 1; step <= bays.size(); ++step) {
        Bay &next = bays[(at + step) % bays.size()];
        if (!next.run) {
            next.tile->serialField().setFocus();
            return;
        }
    }
}

void StationWindow::finish(std::size_t at)
{
    Bay &bay = bays[at];
    const SlotRun &run = *bay.run;
    const procedures::SelfTestReport &report = run.report();
    const records::ReportHeader header =
        reportHeader(operatorName, bay.serialNumber, run.comNumber(), run.devicePath());
    records::RunRecord record =
        records::newRunRecord(report, header, run.wallClock(), stationName.toStdString());
    record.slot = bay.slot->name; // as its tile names it
    QString said = QString::fromStdString(procedures::slotFindings(report));
    if (const QString why = keeper().keep(record); !why.isEmpty())
        said += (said.isEmpty() ? QString() : QStringLiteral("\n")) + why;
    else
        emit kept();
    bay.tile->showFinished(report.outcome, said);
    bay.tile->serialField().setEnabled(!closing);
    // It is still raising the signal that got us here; the window's child meanwhile, so that
    // it goes with the window should that go first.
    SlotRun *ended = bay.run.release();
    ended->setParent(this);
    ended->deleteLater();
    // A slot that frees itself while every other one tests takes the keyboard.
    const QWidget *focused = focusWidget();
    if (!focused || !focused->isEnabled())
        bay.tile->serialField().setFocus();
    if (closing && !running())
        QTimer::singleShot(0, this, &QWidget::close);
}

// While the station is the active window its caret stands still: a blinking one wakes the
// program six times a second for as long as the station waits for its next module, and a
// scanner needs no blink to find its field. Other windows blink as they always have.
void StationWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow() && !flashTimeBefore) {
            flashTimeBefore = QApplication::cursorFlashTime();
            QApplication::setCursorFlashTime(0);
        } else if (!isActiveWindow() && flashTimeBefore) {
            QApplication::setCursorFlashTime(*std::exchange(flashTimeBefore, std::nullopt));
        }
    }
    QWidget::changeEvent(event);
}

void StationWindow::closeEvent(QCloseEvent *event)
{
    if (!running()) {
        QWidget::closeEvent(event);
        emit closed();
        return;
    }
    event->ignore();
    if (closing)
        return;
    closing = true;
    status.setText(tr("Stopping: every slot under test switches its relays off and keeps its "
                      "run as ABORTED; the window closes then."));
    for (Bay &bay : bays) {
        bay.tile->serialField().setEnabled(false);
        if (bay.run) {
            bay.tile->showStopping();
            bay.run->cancel("the station window was closed");
        }
    }
}
