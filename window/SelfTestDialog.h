#pragma once

#include "SelfTestRunner.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <array>
#include <memory>

class LineSession;

// The guided self-test of the module at the Address field: who tests what, the
// steps as they pass or fail, the operator's part when the test asks for it,
// and at the end the verdict and the report, saved and opened.
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

protected:
    void reject() override;

private:
    QWidget *settingsPanel();
    QWidget *promptPanel();
    void ask(const QString &prompt, const std::vector<line::Answer> &answers);
    void showSteps();
    void finished();
    void saveReports();
    void chooseFolder();

    LineSession &session;
    const int addressInField;
    Memory &memory;
    QLineEdit operatorName, serialNumber;
    QCheckBox byEar;
    QSpinBox lowMax, highMin;
    QLabel folder, prompt, verdict, files;
    QPushButton changeFolder, start, close;
    std::array<QPushButton, 4> answerButtons; // Yes, No, Continue, Skip
    QProgressBar progress;
    QTreeWidget steps;
    std::unique_ptr<SelfTestRunner> runner;
    QStringList savedFiles;
    int comNumber = 0;
    QString devicePath;
    bool opensReport = true;
};
