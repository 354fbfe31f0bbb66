#include "SelfTestDialog.h"

#include "HistoryLink.h"
#include "HistoryWindow.h"
#include "LineSession.h"
#include "Report.h"
#include "ReportFiles.h"
#include "ReportHtml.h"
#include "ReportJson.h"
#include "SerialComm.h"
#include "StepSummary.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include <chrono>

namespace {

constexpr std::array<procedures::Answer, 6> Answers{
    procedures::Answer::Yes,  procedures::Answer::No,    procedures::Answer::Continue,
    procedures::Answer::Skip, procedures::Answer::Retry, procedures::Answer::Accept};
constexpr std::array<const char *, 6> AnswerCaptions{"&Yes",  "&No",    "&Continue",
                                                     "&Skip", "&Retry", "&Accept"};

QString defaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("RZM-530 reports"));
}

} // namespace

SelfTestDialog::SelfTestDialog(LineSession &session, int addressInField, Memory &memory,
                               QWidget *parent)
    : QDialog(parent), session(session), addressInField(addressInField), memory(memory),
      byEar(tr("The operator confirms each relay by ear")),
      broadcast(tr("Also check that the module obeys a broadcast (every module on the line "
                   "switches)")),
      changeFolder(tr("Change…")), start(tr("Start")), history(tr("History…")), close(tr("Close"))
{
    setWindowTitle(tr("Self-test"));
    setObjectName(QStringLiteral("selfTest"));
    if (memory.reportFolder.isEmpty())
        memory.reportFolder = defaultFolder();

    steps.setObjectName(QStringLiteral("steps"));
    steps.setColumnCount(3);
    steps.setHeaderLabels({tr("Step"), tr("Result"), tr("Measured")});
    steps.setRootIsDecorated(false);
    steps.setColumnWidth(0, 110);
    steps.setColumnWidth(1, 70);
    for (std::size_t i = 0; i < procedures::StepCount; ++i)
        new QTreeWidgetItem(&steps, {tr(procedures::stepTitle(procedures::StepId(i)))});
    progress.setRange(0, int(procedures::StepCount));
    progress.setValue(0);
    progress.setFormat(tr("%v of %m steps"));
    verdict.setObjectName(QStringLiteral("verdict"));
    QFont big = verdict.font();
    big.setPixelSize(28);
    big.setBold(true);
    verdict.setFont(big);
    verdict.setAlignment(Qt::AlignCenter);
    verdict.setTextFormat(Qt::RichText);
    reason.setObjectName(QStringLiteral("reason"));
    reason.setAlignment(Qt::AlignCenter);
    reason.setWordWrap(true);
    refusal.setObjectName(QStringLiteral("refusal"));
    refusal.setWordWrap(true);
    QPalette red = refusal.palette();
    red.setColor(QPalette::WindowText, Qt::red);
    refusal.setPalette(red);
    files.setObjectName(QStringLiteral("files"));
    files.setWordWrap(true);
    files.setTextInteractionFlags(Qt::TextBrowserInteraction);
    files.setOpenExternalLinks(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(&start);
    buttons->addWidget(&history);
    buttons->addStretch();
    buttons->addWidget(&close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(settingsPanel());
    layout->addWidget(&progress);
    layout->addWidget(&steps, 1);
    layout->addWidget(promptPanel());
    layout->addWidget(&verdict);
    layout->addWidget(&reason);
    layout->addWidget(&files);
    layout->addWidget(&refusal);
    layout->addLayout(buttons);
    resize(600, 560);

    start.setObjectName(QStringLiteral("start"));
    start.setDefault(true);
    connect(&start, &QPushButton::clicked, this, &SelfTestDialog::startTest);
    connect(&close, &QPushButton::clicked, this, &SelfTestDialog::reject);
    connect(&changeFolder, &QPushButton::clicked, this, &SelfTestDialog::chooseFolder);
    history.setObjectName(QStringLiteral("history"));
    history.setAutoDefault(false);
    history.hide();
    connect(&history, &QPushButton::clicked, this, &SelfTestDialog::showHistory);
}

void SelfTestDialog::keepRunsIn(HistoryLink *link)
{
    historyLink = link;
    history.setVisible(link != nullptr);
    if (link) // a run the local file refused: the server's answer replaces "sending it…"
        connect(link, &HistoryLink::sentAlone, this,
                [this](const QString &runId, bool, const QString &said) {
                    if (runId != keptRunId)
                        return;
                    keptRunSaid = said;
                    showFiles();
                });
}

// A window of the dialog's own, since the dialog blocks every other window while it is open.
void SelfTestDialog::showHistory()
{
    if (!historyLink)
        return;
    if (!historyWindow) {
        historyWindow = new HistoryWindow(*historyLink, this);
        historyWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    historyWindow->show();
    historyWindow->raise();
    historyWindow->activateWindow();
}

SelfTestDialog::~SelfTestDialog() = default;

QWidget *SelfTestDialog::settingsPanel()
{
    auto *box = new QGroupBox(tr("Before the test"), this);
    operatorName.setText(memory.operatorName);
    serialNumber.setText(memory.serialNumber);
    byEar.setChecked(memory.confirmByEar);
    operatorName.setObjectName(QStringLiteral("operator"));
    serialNumber.setObjectName(QStringLiteral("serial"));
    byEar.setObjectName(QStringLiteral("byEar"));
    broadcast.setObjectName(QStringLiteral("broadcast"));
    lowMax.setObjectName(QStringLiteral("lowMax"));
    highMin.setObjectName(QStringLiteral("highMin"));
    const procedures::SelfTestSettings defaults;
    lowMax.setRange(0, procedures::SelfTest::AnalogFullScale);
    lowMax.setValue(defaults.low.max);
    highMin.setRange(0, procedures::SelfTest::AnalogFullScale);
    highMin.setValue(defaults.high.min);
    folder.setText(QDir::toNativeSeparators(memory.reportFolder));
    folder.setWordWrap(true);

    limits = new QWidget(box);
    auto *limitsRow = new QHBoxLayout(limits);
    limitsRow->setContentsMargins(0, 0, 0, 0);
    limitsRow->addWidget(new QLabel(tr("low 0 to"), limits));
    limitsRow->addWidget(&lowMax);
    limitsRow->addSpacing(12);
    limitsRow->addWidget(new QLabel(tr("high"), limits));
    limitsRow->addWidget(&highMin);
    limitsRow->addWidget(
        new QLabel(tr("to %1").arg(procedures::SelfTest::AnalogFullScale), limits));
    limitsRow->addStretch();
    auto *where = new QHBoxLayout;
    where->addWidget(&folder, 1);
    where->addWidget(&changeFolder);
    auto *form = new QFormLayout(box);
    form->addRow(
        tr("Module:"),
        new QLabel(tr("address %1 on COM %2").arg(addressInField).arg(session.comm().CommPort()),
                   box));
    form->addRow(tr("Operator:"), &operatorName);
    form->addRow(tr("Serial number:"), &serialNumber);
    form->addRow(tr("Fixture:"), &fixture);
    form->addRow(QString(), &byEar);
    form->addRow(QString(), &broadcast);
    form->addRow(tr("Analog limits:"), limits);
    form->addRow(tr("Reports in:"), where);
    connect(&fixture, &FixtureChoice::changed, this, &SelfTestDialog::showFixtureUse);
    showFixtureUse();
    return box;
}

// Nothing the run uses changes while it runs.
void SelfTestDialog::enableSettings(bool enabled)
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{&operatorName, &serialNumber, &fixture, &byEar,
                                          &broadcast, limits, &changeFolder, &start})
        w->setEnabled(enabled);
    showFixtureUse();
}

// With a fixture nobody is asked anything: neither to listen for the relays nor to turn knobs.
void SelfTestDialog::showFixtureUse()
{
    byEar.setVisible(!fixture.chosen());
    limits->setEnabled(!fixture.chosen() && start.isEnabled());
}

QWidget *SelfTestDialog::promptPanel()
{
    auto *panel = new QWidget(this);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    prompt.setObjectName(QStringLiteral("prompt"));
    QFont bold = prompt.font();
    bold.setBold(true);
    prompt.setFont(bold);
    prompt.setWordWrap(true);
    row->addWidget(&prompt, 1);
    for (std::size_t i = 0; i < Answers.size(); ++i) {
        QPushButton &button = answerButtons[i];
        button.setText(tr(AnswerCaptions[i]));
        button.setObjectName(QString::fromLatin1(AnswerCaptions[i]).remove('&').toLower());
        button.hide();
        row->addWidget(&button);
        connect(&button, &QPushButton::clicked, this, [this, i] {
            ask(QString(), {});
            if (runner)
                runner->answer(Answers[i]);
        });
    }
    return panel;
}

// A test that could judge nothing is not started: it would only leave a report blaming a
// module nobody reached.
std::optional<QString> SelfTestDialog::startProblem(procedures::SelfTestSettings &settings) const
{
    if (addressInField < 1)
        return tr("Type the module's address (1 to 99) in the Address field first: address 0 "
                  "reaches every module and none answers.");
    if (!session.comm().PortOpen())
        return tr("The port is closed: open it with the COM Port field first.");
    // On a fixture the limits are greyed out and the fixture's ranges judge instead.
    if (const auto problem = fixture.chosen() ? std::nullopt : procedures::limitsProblem(settings))
        return tr("Analog limits: %1.").arg(QString::fromStdString(*problem));
    if (fixture.chosen()) { // read now: the file may have changed since it was chosen
        procedures::ParsedFixture parsed = fixture.read();
        if (!parsed.fixture)
            return tr("The fixture cannot be used: %1.")
                .arg(QString::fromStdString(parsed.refusal.text()));
        settings.fixture = std::move(parsed.fixture);
    }
    return std::nullopt;
}

void SelfTestDialog::startTest()
{
    if (running())
        return;
    procedures::SelfTestSettings settings;
    settings.address = std::uint8_t(std::max(addressInField, 0));
    settings.confirmByEar = byEar.isChecked() && !fixture.chosen();
    settings.broadcastAll = broadcast.isChecked();
    settings.low = {0, lowMax.value()};
    settings.high = {highMin.value(), procedures::SelfTest::AnalogFullScale};
    const std::optional<QString> problem = startProblem(settings);
    refusal.setText(problem.value_or(QString()));
    if (problem)
        return;
    memory.operatorName = operatorName.text();
    memory.serialNumber = serialNumber.text();
    memory.confirmByEar = byEar.isChecked();
    comNumber = session.comm().CommPort();
    devicePath = session.comm().devicePath();

    runner = std::make_unique<SelfTestRunner>(session, settings);
    connect(runner.get(), &SelfTestRunner::asking, this, &SelfTestDialog::ask);
    connect(runner.get(), &SelfTestRunner::watching, this,
            [this](const QString &text) { ask(text, {procedures::Answer::Skip}); });
    connect(runner.get(), &SelfTestRunner::progressed, this, &SelfTestDialog::showSteps);
    connect(runner.get(), &SelfTestRunner::finished, this, &SelfTestDialog::finished);
    enableSettings(false);
    closeWhenFinished = false;
    verdict.clear();
    reason.clear();
    files.clear();
    savedFiles.clear();
    fileProblems.clear();
    keptRunId.clear();
    keptRunSaid.clear();
    close.setText(tr("Cancel"));
    runner->start();
    showSteps();
}

void SelfTestDialog::ask(const QString &text, const std::vector<procedures::Answer> &answers)
{
    prompt.setText(text);
    for (std::size_t i = 0; i < Answers.size(); ++i)
        answerButtons[i].setVisible(std::find(answers.begin(), answers.end(), Answers[i]) !=
                                    answers.end());
}

void SelfTestDialog::showSteps()
{
    if (!runner)
        return;
    const procedures::SelfTest &test = runner->test();
    const procedures::SelfTestReport &report = test.report();
    for (std::size_t i = 0; i < procedures::StepCount; ++i) {
        const auto id = procedures::StepId(i);
        const procedures::StepResult result = report.step(id).result;
        const bool current = !test.finished() && test.currentStep() == id;
        QTreeWidgetItem *item = steps.topLevelItem(int(i));
        item->setText(1, current && result == procedures::StepResult::NotRun
                             ? tr("running")
                             : tr(procedures::resultWord(result)));
        item->setText(2, QString::fromStdString(procedures::stepSummary(report, id)));
        item->setToolTip(2, item->text(2));
        item->setForeground(1, result == procedures::StepResult::Fail ? QBrush(Qt::red) : QBrush());
    }
    progress.setValue(test.finished() ? int(procedures::StepCount) : int(test.currentStep()));
}

void SelfTestDialog::finished()
{
    showSteps();
    ask(QString(), {});
    const procedures::SelfTestReport &report = runner->test().report();
    const procedures::Outcome outcome = report.outcome;
    // The word in large type, and what the run left untested beside it in small.
    const QString note = QString::fromStdString(procedures::untestedNote(report)).toHtmlEscaped();
    verdict.setText(QString::fromStdString(procedures::verdictWord(outcome)) +
                    (note.isEmpty() ? QString()
                                    : QStringLiteral(" <span style=\"font-size: 14px; "
                                                     "font-weight: normal\">%1</span>")
                                          .arg(note)));
    reason.setText(QString::fromStdString(report.reason));
    saveReports();
    runner.release()->deleteLater(); // it is still raising the signal that got us here
    enableSettings(true);
    close.setText(tr("Close"));
    QPalette palette = verdict.palette();
    palette.setColor(QPalette::WindowText,
                     outcome == procedures::Outcome::Pass ? QColor(0x00, 0x80, 0x00) : Qt::red);
    verdict.setPalette(palette);
    if (closeWhenFinished)
        QDialog::reject();
}

void SelfTestDialog::saveReports()
{
    const procedures::SelfTestReport &report = runner->test().report();
    const line::WallClock wallClock = runner->wallClock();
    const records::ReportHeader header =
        reportHeader(memory.operatorName, memory.serialNumber, comNumber, devicePath);
    const line::WallTime when =
        report.started() ? wallClock(*report.started()) : line::readClocks().wall;
    if (historyLink)
        keptRunSaid = historyLink->keep(report, header, wallClock, &keptRunId);
    if (!QDir(memory.reportFolder).mkpath(QStringLiteral(".")))
        fileProblems << tr("cannot create %1").arg(memory.reportFolder);
    const QString stem = unusedReportPath(
        memory.reportFolder,
        QString::fromStdString(records::reportFileStem(memory.serialNumber.toStdString(), when)),
        {QStringLiteral("html"), QStringLiteral("json")});
    for (const auto &[extension, text] :
         {std::pair{"html", records::reportHtml(report, header, wallClock)},
          std::pair{"json", records::reportJson(report, header, wallClock)}}) {
        const QString path = stem + QLatin1Char('.') + QLatin1String(extension);
        if (const QString problem = writeReportFile(path, text); problem.isEmpty())
            savedFiles << path;
        else
            fileProblems << tr("cannot write %1: %2").arg(path, problem);
    }
    showFiles();
    if (opensReport && !savedFiles.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(savedFiles.front()));
}

void SelfTestDialog::showFiles()
{
    QStringList lines;
    for (const QString &path : savedFiles)
        lines << QStringLiteral("<a href=\"%1\">%2</a>")
                     .arg(QUrl::fromLocalFile(path).toString(),
                          QDir::toNativeSeparators(path).toHtmlEscaped());
    for (const QString &problem : QStringList{keptRunSaid} + fileProblems)
        if (!problem.isEmpty())
            lines << QStringLiteral("<span style=\"color:red\">%1</span>")
                         .arg(problem.toHtmlEscaped());
    files.setText(tr("Report: ") + lines.join(QStringLiteral("<br>")));
}

void SelfTestDialog::chooseFolder()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("Where to keep the reports"),
                                                             memory.reportFolder);
    if (chosen.isEmpty())
        return;
    memory.reportFolder = chosen;
    folder.setText(QDir::toNativeSeparators(chosen));
}

// Cancel leaves the module with every relay off; the report is saved all the same, and the
// dialog stays to show it.
void SelfTestDialog::reject()
{
    if (running()) {
        runner->cancel();
        return;
    }
    QDialog::reject();
}

// Closing the window while the test runs aborts it as Cancel does; the window goes once the
// relays are off and the report is saved.
void SelfTestDialog::closeEvent(QCloseEvent *event)
{
    if (!running()) {
        QDialog::closeEvent(event);
        return;
    }
    closeWhenFinished = true;
    runner->cancel();
    event->ignore();
}
