#pragma once

#include "ScanRunner.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include <memory>

class frmMain;

// "Find module": probes every address on the COM port in the field, or on
// every port present, and lists the modules that answer. Use sets both fields.
class FindModuleDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindModuleDialog(frmMain &window);
    ~FindModuleDialog() override;

    void startScan();
    bool scanning() const { return bool(runner); }

protected:
    void reject() override;

private:
    void addRow(const line::Scan::Found &module);
    void finished();
    void useSelected();
    void showCounts();

    frmMain &window;
    QCheckBox allPorts;
    QSpinBox first, last, timeout;
    QPushButton start, use, close;
    QProgressBar progress;
    QTableWidget results;
    QLabel where;
    std::unique_ptr<ScanRunner> runner;
    int portBefore = 1;
    bool openBefore = false;
};
