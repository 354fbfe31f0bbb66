#include "RunCsv.h"

#include "CsvField.h"
#include "Report.h"

#include <array>
#include <chrono>

namespace {

QByteArray field(const QString &text)
{
    return QByteArray::fromStdString(line::csvField(text.toStdString()));
}

QByteArray row(const std::vector<QByteArray> &fields)
{
    QByteArray line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i == 0 ? QByteArray() : QByteArray(",")) + fields[i];
    return line + '\n';
}

} // namespace

QByteArray runCsvHeader()
{
    return "started,serial,operator,station,outcome,failed,id,slot\n";
}

QByteArray runCsvRow(const RunRow &run)
{
    const line::WallTime started{std::chrono::milliseconds(run.started.toMSecsSinceEpoch())};
    return row({QByteArray::fromStdString(records::isoTime(started)), field(run.serial),
                field(run.operatorName), field(run.station),
                QByteArray(procedures::outcomeWord(run.outcome)).toUpper(), field(run.failed),
                field(run.id), field(run.slot)});
}

QByteArray yieldCsvHeader()
{
    return "day,runs,pass,fail,error,aborted,first_pass_yield,final_yield\n";
}

QByteArray yieldCsvRow(const figures::DayYield &day)
{
    const auto number = [](int n) { return QByteArray::number(n); };
    return row({QByteArray::fromStdString(day.day), number(day.runs), number(day.pass),
                number(day.fail), number(day.error), number(day.aborted),
                yieldText(day.firstPassYield()).toLatin1(),
                yieldText(day.finalYield()).toLatin1()});
}

QString yieldText(const std::optional<double> &yield)
{
    return yield ? QString::number(*yield, 'f', 3) : QString();
}
