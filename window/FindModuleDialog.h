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

class LineSession;

// "Find module": probes every address on the session's COM port, or on every
// port present, and lists the modules that answer. Use asks for both fields.
class FindModuleDialog : public QDialog {
    Q_OBJECT
public:
    FindModuleDialog(LineSession &session, QWidget *parent = nullptr);
    ~FindModuleDialog() override;

    void startScan();
    bool scanning() const { return bool(runner); }

signals:
    // The scan is over: the port the line had before is to be opened again
    // (`reopen`), or left closed with that number chosen.
    void restorePort(int port, bool reopen);
    // Use: the module at `address` on `port` is the one to test.
    void useModule(int port, int address);

protected:
    void reject() override;

private:
    void addRow(const procedures::Scan::Found &module);
    void finished();
    void useSelected();
    void showCounts();

    LineSession &session;
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
