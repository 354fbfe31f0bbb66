#include "TrendWindow.h"

#include "MessageBox.h"
#include "TrendRecorder.h"

#include <QBuffer>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

using namespace std::chrono_literals;

struct SpanChoice {
    const char *name;
    line::Time::duration span; // zero: everything kept
};
constexpr std::array<SpanChoice, 4> Spans{
    {{QT_TRANSLATE_NOOP("TrendWindow", "1 minute"), 1min},
     {QT_TRANSLATE_NOOP("TrendWindow", "10 minutes"), 10min},
     {QT_TRANSLATE_NOOP("TrendWindow", "1 hour"), 1h},
     {QT_TRANSLATE_NOOP("TrendWindow", "Everything kept"), line::Time::duration::zero()}}};
constexpr int DefaultSpan = 1;

bool writeFile(const QString &path, const QByteArray &bytes, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

TrendWindow::TrendWindow(const TrendRecorder &recorder, QWidget *parent)
    : QMainWindow(parent), recorder(recorder), plot(recorder.trend(), recorder.wallClock()),
      followButton(tr("Follow"))
{
    setWindowTitle(QStringLiteral("RZM-530 Trend"));
    setObjectName(QStringLiteral("trend"));
    resize(980, 660);

    for (const SpanChoice &choice : Spans)
        spanChoice.addItem(tr(choice.name));
    spanChoice.setObjectName(QStringLiteral("span"));
    // Zoomed, the box shows no entry: it says the span only while it is one of them.
    spanChoice.setPlaceholderText(tr("Zoomed"));
    spanChoice.setCurrentIndex(DefaultSpan);
    chosenSpan = DefaultSpan;
    plot.setSpan(Spans[DefaultSpan].span);
    // Activated, not index changed: choosing the entry shown again undoes a zoom.
    connect(&spanChoice, &QComboBox::activated, this, &TrendWindow::chooseSpan);
    followButton.setObjectName(QStringLiteral("follow"));
    followButton.setEnabled(false);
    connect(&followButton, &QPushButton::clicked, this, [this] {
        plot.follow();
        spanChoice.setCurrentIndex(chosenSpan);
        followButton.setEnabled(false);
        showStatistics();
    });
    connect(&plot, &TrendPlot::viewChanged, this, [this] {
        if (!plot.showsChosenSpan())
            spanChoice.setCurrentIndex(-1);
        followButton.setEnabled(true);
        showStatistics();
    });
    readOut.setObjectName(QStringLiteral("readOut"));
    readOut.setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(&plot, &TrendPlot::readOut, &readOut, &QLabel::setText);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(tr("Show:"), central));
    bar->addWidget(&spanChoice);
    bar->addWidget(&followButton);
    bar->addStretch(1);
    auto *savePngButton = new QPushButton(tr("Save PNG…"), central);
    auto *saveCsvButton = new QPushButton(tr("Save CSV…"), central);
    connect(savePngButton, &QPushButton::clicked, this, [this] { saveAs(true); });
    connect(saveCsvButton, &QPushButton::clicked, this, [this] { saveAs(false); });
    bar->addWidget(savePngButton);
    bar->addWidget(saveCsvButton);
    layout->addLayout(bar);
    layout->addWidget(&plot, 1);
    layout->addWidget(&readOut);

    // Each figure's room is fixed, so a new figure lays nothing out again.
    auto *figures = new QGridLayout;
    const int width = fontMetrics().horizontalAdvance(tr("min 1023  max 1023  mean 1023.0")) + 8;
    for (int s = 0; s < int(statistics.size()); ++s) {
        const bool analog = s < 3, polls = s == 7;
        const QString name = polls    ? tr("Input polls:")
                             : analog ? tr("AI%1:").arg(s + 1)
                                      : tr("DI%1:").arg(s - 2);
        QLabel &value = statistics[std::size_t(s)];
        value.setObjectName(QStringLiteral("statistics%1").arg(s));
        value.setFixedSize(width, fontMetrics().height() + 2);
        const int row = polls ? 0 : analog ? s : s - 3, column = polls ? 4 : analog ? 0 : 2;
        figures->addWidget(new QLabel(name, central), row, column);
        figures->addWidget(&value, row, column + 1);
    }
    figures->setColumnStretch(6, 1);
    layout->addLayout(figures);
    setCentralWidget(central);
    spanChoice.setFocus();

    // Hidden or minimized (still "visible" then), it does nothing: shown or
    // restored, it catches up at once. Readings come one a poll tick at most, so
    // each is taken at once, in the wake-up that brought it: a timer to gather
    // them would only wake the process once more.
    connect(&recorder, &TrendRecorder::readingAdded, this, [this] {
        if (isVisible() && !isMinimized())
            catchUp();
    });
}

void TrendWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    plot.readingsAdded();
    showStatistics();
}

void TrendWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isVisible() && !isMinimized()) {
        plot.readingsAdded();
        showStatistics();
    }
}

void TrendWindow::catchUp()
{
    if (plot.readingsAdded())
        showStatistics();
}

void TrendWindow::showStatistics()
{
    line::Time from, to;
    if (!plot.visibleRange(from, to)) {
        for (QLabel &label : statistics)
            label.setText(QStringLiteral("-"));
        return;
    }
    const figures::TrendStatistics stats = recorder.trend().statistics(from, to);
    for (std::size_t a = 0; a < 3; ++a) {
        const figures::AnalogStatistics &s = stats.analog[a];
        statistics[a].setText(
            s.readings == 0
                ? tr("no readings")
                : tr("min %1  max %2  mean %3").arg(s.min).arg(s.max).arg(s.mean, 0, 'f', 1));
    }
    for (std::size_t d = 0; d < 4; ++d)
        statistics[3 + d].setText(stats.digitalChanges[d] == 1
                                      ? tr("1 change")
                                      : tr("%1 changes").arg(stats.digitalChanges[d]));
    statistics[7].setText(
        tr("%1, %2 without a reply").arg(stats.inputReadings).arg(stats.inputNoReply));
}

void TrendWindow::chooseSpan(int index)
{
    if (index < 0 || index >= int(Spans.size()))
        return;
    chosenSpan = index;
    plot.setSpan(Spans[std::size_t(index)].span);
    // Everything kept has no edge to pan back from: choosing it follows.
    if (Spans[std::size_t(index)].span == line::Time::duration::zero()) {
        plot.follow();
        followButton.setEnabled(false);
    }
    showStatistics();
}

bool TrendWindow::savePng(const QString &path, QString &error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!plot.grab().save(&buffer, "PNG")) {
        error = tr("the plot could not be made into a PNG");
        return false;
    }
    return writeFile(path, bytes, error);
}

bool TrendWindow::saveCsv(const QString &path, QString &error)
{
    line::Time from{}, to{};
    plot.visibleRange(from, to);
    const std::string text = recorder.trend().csv(from, to, recorder.wallClock());
    return writeFile(path, QByteArray::fromStdString(text), error);
}

void TrendWindow::saveAs(bool png)
{
    const QDir documents(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    const QString path =
        png ? QFileDialog::getSaveFileName(this, tr("Save the plot"),
                                           documents.filePath(QStringLiteral("rzm530-trend.png")),
                                           tr("PNG images (*.png);;All files (*)"))
            : QFileDialog::getSaveFileName(this, tr("Save the span in view"),
                                           documents.filePath(QStringLiteral("rzm530-trend.csv")),
                                           tr("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!(png ? savePng(path, error) : saveCsv(path, error)))
        showTesterMessage(this,
                          tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), error));
}
