#include "CsvLog.h"

#include "Csv.h"
#include "LineTap.h"

#include <QCoreApplication>

bool CsvLog::open()
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    if (file.size() == 0 && file.write(QByteArray::fromStdString(line::csvHeader())) < 0)
        return false;
    return file.flush();
}

void CsvLog::follow(LineTap &tap)
{
    connect(&tap, &LineTap::transactionEnded, this,
            [this, &tap](const line::Transaction &t) { write(t, tap); });
}

void CsvLog::write(const line::Transaction &transaction, LineTap &tap)
{
    file.write(QByteArray::fromStdString(line::csvRow(transaction, tap.monitor().wallClock())));
    file.flush();
}
