#include "StationTile.h"

#include "StepSummary.h"

#include <QVBoxLayout>

namespace {

// Dark enough behind white words to read from the far side of a room, and told apart by
// someone who cannot tell red from green by the words themselves.
QColor outcomeColour(procedures::Outcome outcome)
{
    switch (outcome) {
    case procedures::Outcome::Pass:
        return QColor(0x1B, 0x7F, 0x2A);
    case procedures::Outcome::Fail:
        return QColor(0xC6, 0x28, 0x28);
    case procedures::Outcome::Error:
        return QColor(0xB2, 0x5E, 0x00);
    case procedures::Outcome::Aborted:
        break;
    }
    return QColor(0x55, 0x55, 0x55);
}

const QColor Idle(0xE0, 0xE0, 0xE0), Testing(0x15, 0x65, 0xC0);

// Sizes for a screen seen from a step or two away, not from the desk.
void sized(QWidget &widget, int pixels, bool bold = false)
{
    QFont font = widget.font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    widget.setFont(font);
}

} // namespace

StationTile::StationTile(int slotNumber, const QString &portName, QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setObjectName(QStringLiteral("slot%1").arg(slotNumber));
    port.setObjectName(QStringLiteral("port"));
    port.setText(tr("Slot %1   <b>%2</b>").arg(slotNumber).arg(portName.toHtmlEscaped()));
    serial.setObjectName(QStringLiteral("serial"));
    serial.setPlaceholderText(tr("Scan the serial number"));
    progress.setObjectName(QStringLiteral("progress"));
    progress.setRange(0, 1000);
    progress.setTextVisible(false);
    verdict.setObjectName(QStringLiteral("verdict"));
    verdict.setAlignment(Qt::AlignCenter);
    verdict.setAutoFillBackground(true);
    verdict.setMinimumHeight(96);
    sized(verdict, 56, true);
    sized(port, 16);
    sized(serial, 18);
    sized(tested, 16, true);
    sized(said, 14);
    tested.setObjectName(QStringLiteral("tested"));
    tested.setAlignment(Qt::AlignCenter);
    said.setObjectName(QStringLiteral("said"));
    said.setWordWrap(true);
    said.setAlignment(Qt::AlignTop | Qt::AlignLeft);
    said.setMinimumHeight(said.fontMetrics().lineSpacing() * 3);
    auto *layout = new QVBoxLayout(this);
    for (QWidget *w : std::initializer_list<QWidget *>{&port, &serial, &progress, &verdict,
                                                        &tested, &said})
        layout->addWidget(w);
    layout->addStretch();
    showState(QString(), Idle);
    connect(&serial, &QLineEdit::returnPressed, this, [this] {
        const QString text = serial.text().trimmed();
        if (!text.isEmpty())
            emit serialEntered(text);
    });
}

void StationTile::showStarted(const QString &serialNumber)
{
    serial.setText(serialNumber);
    serial.setEnabled(false);
    progress.setValue(0);
    tested.setText(serialNumber);
    said.clear();
    showState(tr("TESTING"), Testing);
}

void StationTile::showProgress(double fraction)
{
    progress.setValue(int(fraction * progress.maximum()));
}

void StationTile::showStopping()
{
    showState(tr("STOPPING"), outcomeColour(procedures::Outcome::Aborted));
    said.setText(tr("Switching every relay off…"));
}

void StationTile::showFinished(procedures::Outcome outcome, const QString &saidText)
{
    progress.setValue(progress.maximum());
    said.setText(saidText);
    serial.clear();
    serial.setEnabled(true);
    showState(QString::fromStdString(procedures::verdictWord(outcome)), outcomeColour(outcome));
}

void StationTile::showState(const QString &word, const QColor &background)
{
    verdict.setText(word);
    QPalette palette = verdict.palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, Qt::white);
    verdict.setPalette(palette);
}
