#pragma once

#include "PortComm.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

// "Ports": COM 1 to 50, what each resolves to now, its entry in the port map
// (edited in place, written at once when valid), and whether the devices
// present count it. Test opens the selected number on a port of its own,
// without waiting on a connection, and says whether it opened.
class PortsDialog : public QDialog {
    Q_OBJECT
public:
    enum Column { Number, ResolvesTo, Mapping, Present, Columns };

    explicit PortsDialog(QWidget *parent = nullptr);

    // The words below the table: the latest test's outcome or an entry refused.
    QString result() const { return outcome.text(); }

private:
    void fill();
    void showRow(int row);
    void mappingEdited(QTableWidgetItem *item);
    void testSelected();
    void tested(bool ok, const QString &why);

    QTableWidget table;
    QPushButton test;
    QLabel outcome;
    PortComm trial;
    int trialNumber = 0;
};
