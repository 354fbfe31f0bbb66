#include "CsvLog.h"

#include "LineTap.h"
#include "TrafficCsv.h"

#include <QCoreApplication>

bool CsvLog::open()
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    if (file.size() == 0 && file.write(QByteArray::fromStdString(line::trafficCsvHeader())) < 0)
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
    file.write(
        QByteArray::fromStdString(line::trafficCsvRow(transaction, tap.monitor().wallClock())));
    file.flush();
}
