#pragma once

#include "HistoryDb.h"
#include "RunRecord.h"

#include <QtTest>

#include <sstream>
#include <string>

// A finished self-test as the history gets it: a link of 20 reads, relay 3 stuck on, digital
// input 2 failed, the analog step not run; started at `started`.
inline records::RunRecord historyRun(const std::string &id, const std::string &serial,
                                     line::WallTime started,
                                     procedures::Outcome outcome = procedures::Outcome::Fail,
                                     const std::string &station = "bench 1")
{
    using namespace std::chrono_literals;
    const line::Time t0 = line::Time() + 1h;
    procedures::SelfTestReport report;
    report.address = 17;
    report.outcome = outcome;
    line::Transaction read;
    read.start = t0;
    read.requestEnd = t0 + 8ms;
    read.replyEnd = t0 + 30ms;
    report.step(procedures::StepId::Link).traffic = {read};
    report.step(procedures::StepId::Link).result = procedures::StepResult::Pass;
    report.link = {20, 20, 4.0, 5.25, 9.0};
    report.step(procedures::StepId::Relays).result = procedures::StepResult::Fail;
    report.relays.failed[2] = true;
    report.relays.faults[2] = procedures::RelayFault::StuckOn;
    report.step(procedures::StepId::Digital).result = procedures::StepResult::Fail;
    report.digital[0] = {procedures::StepResult::Pass, true, true};
    report.digital[1] = {procedures::StepResult::Fail, true, false};
    records::ReportHeader header{"RZM-530 Tester 1.00.0017", "O'Neil", serial, 3, "/dev/ttyUSB0"};
    return records::runRecord(
        report, header, [&](line::Time t) { return started + (t - t0); }, station, id, started);
}

// A run in words, every field, step and measurement: two records are the same run if and only
// if their descriptions are the same. Times in milliseconds, values to the last bit.
inline QString describeRun(const records::RunRecord &r)
{
    std::ostringstream s;
    s.precision(17);
    const auto at = [&](const std::optional<line::WallTime> &t) {
        using std::chrono::milliseconds;
        s << '|'
          << (t ? std::chrono::duration_cast<milliseconds>(t->time_since_epoch()).count() : -1);
    };
    const auto num = [&](const std::optional<double> &v) { v ? s << '|' << *v : s << "|-"; };
    s << r.id << '|' << r.serialNumber << '|' << r.operatorName << '|' << r.station << '|'
      << r.tester << '|' << r.device << '|' << r.slot << '|' << r.failed << '|' << r.comNumber
      << '|' << r.address;
    at(r.started);
    at(r.finished);
    s << '|' << procedures::outcomeWord(r.outcome) << '\n' << r.reportJson;
    for (const records::StepRow &step : r.steps) {
        s << '\n' << step.name << ' ' << step.result;
        at(step.started);
        at(step.finished);
    }
    for (const records::Measurement &m : r.measurements) {
        s << '\n' << m.name << '|' << m.unit << '|' << m.result;
        num(m.value);
        num(m.low);
        num(m.high);
    }
    return QString::fromStdString(s.str());
}

// A serial number made of quotes, SQL and LIKE's own characters is stored and found as text.
inline void serialOfQuotesAndSqlIsText(HistoryDb &db)
{
    const std::string serial = "'); DROP TABLE runs; -- \"%_!\\";
    QString error;
    QVERIFY2(db.store(historyRun("q1", serial, line::WallTime(std::chrono::hours(490000))), &error),
             qPrintable(error));
    QVERIFY(db.store(historyRun("q2", "SN-1", line::WallTime(std::chrono::hours(490000))), &error));
    RunFilter filter;
    filter.serial = QString::fromStdString(serial);
    const auto rows = db.runs(filter, 10, 0);
    QCOMPARE(rows.size(), std::size_t(1));
    QCOMPARE(rows[0].id, "q1");
    QCOMPARE(rows[0].serial, QString::fromStdString(serial));
    // Made again from the steps and measurements kept, in either dialect of SQL.
    QCOMPARE(rows[0].untested, "(digital inputs 3 and 4 and analog inputs not tested)");
    filter.serial = "%";
    QCOMPARE(db.count(filter), 1);
    QCOMPARE(db.count({}), 2);
}
