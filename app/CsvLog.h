#pragma once

#include "Transaction.h"

#include <QFile>
#include <QObject>

class LineTap;

// --log FILE: every transaction as a CSV row the moment it ends, flushed at once
// so that nothing is lost when an unattended run is cut off. An existing file
// is appended to; a new one starts with the header line. The program closes
// its port as it quits, which ends the transaction still open: it is written too.
class CsvLog : public QObject {
    Q_OBJECT
public:
    explicit CsvLog(const QString &path) : file(path) {}

    // False, with the reason in errorString(), when the file cannot be written.
    bool open();
    void follow(LineTap &tap);
    QString errorString() const { return file.errorString(); }

private:
    void write(const line::Transaction &transaction, LineTap &tap);

    QFile file;
};
