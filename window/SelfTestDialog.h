#pragma once

#include "FixtureChoice.h"
#include "SelfTestRunner.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <array>
#include <memory>
#include <optional>

class HistoryLink;
class HistoryWindow;
class LineSession;

// The guided self-test of the module at the Address field: who tests what, the
// steps as they pass or fail, the operator's part when the test asks for it,
// and at the end the outcome and the report, saved and opened. It will not start a test that
// could judge nothing, and a test it started ends with every relay off, however it ends.
class SelfTestDialog : public QDialog {
    Q_OBJECT
public:
    // What the dialog remembers until the program closes.
    struct Memory {
        QString operatorName, serialNumber, reportFolder;
        bool confirmByEar = false;
    };

    SelfTestDialog(LineSession &session, int addressInField, Memory &memory,
                   QWidget *parent = nullptr);
    ~SelfTestDialog() override;

    void startTest();
    bool running() const { return bool(runner); }
    // Tests leave the browser closed.
    void setOpensReport(bool open) { opensReport = open; }
    QStringList reportFiles() const { return savedFiles; }
    // Every run is kept there, whatever its outcome; its History… button shows them.
    void keepRunsIn(HistoryLink *link);

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *settingsPanel();
    QWidget *promptPanel();
    std::optional<QString> startProblem(procedures::SelfTestSettings &settings) const;
    void enableSettings(bool enabled);
    void showFixtureUse();
    void ask(const QString &prompt, const std::vector<procedures::Answer> &answers);
    void showSteps();
    void finished();
    void saveReports();
    void showFiles();
    void chooseFolder();
    void showHistory();

    LineSession &session;
    const int addressInField;
    Memory &memory;
    QLineEdit operatorName, serialNumber;
    QCheckBox byEar;
    QCheckBox broadcast; // not remembered: it switches every module on the line
    QSpinBox lowMax, highMin;
    QWidget *limits = nullptr; // the operator's knobs' limits: a fixture brings its own ranges
    FixtureChoice fixture;
    QLabel folder, prompt, refusal, verdict, reason, files;
    QPushButton changeFolder, start, history, close;
    std::array<QPushButton, 6> answerButtons; // Yes, No, Continue, Skip, Retry, Accept
    QProgressBar progress;
    QTreeWidget steps;
    std::unique_ptr<SelfTestRunner> runner;
    QStringList savedFiles, fileProblems;
    QString keptRunId, keptRunSaid; // the last run kept, and what befell it when not as asked
    int comNumber = 0;
    QString devicePath;
    bool opensReport = true;
    HistoryLink *historyLink = nullptr;
    QPointer<HistoryWindow> historyWindow;
    bool closeWhenFinished = false; // the window was closed while the test ran
};
