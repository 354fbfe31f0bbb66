// The history's tables read and written, the same in the local file and on the server.
#include "HistoryDb.h"

#include "HistoryConnection.h"
#include "RunFilterSql.h"
#include "StepSummary.h"
#include "StoredTime.h"

#include <QSqlQuery>

using procedures::Outcome;

namespace {

Outcome outcomeOf(const QString &word)
{
    return procedures::outcomeNamed(word.toStdString()).value_or(Outcome::Error);
}

// Qt binds a null string as NULL.
QString notNull(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

QString text(const std::string &s)
{
    return QString::fromStdString(s);
}

QVariant number(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> number(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

QVariant time(const std::optional<line::WallTime> &t)
{
    return t ? QVariant(storedTime(*t)) : QVariant(QMetaType::fromType<QString>());
}

std::optional<line::WallTime> time(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return wallTimeOf(v.toString());
}

const char *RunColumns = "id, serial, operator, station, tester, com, device, address, started, "
                         "finished, outcome, failed, slot";

} // namespace

bool HistoryDb::store(const records::RunRecord &run, QString *error, const QString &server)
{
    if (!db->begin(error))
        return false;
    const auto stored = [&] {
        QSqlQuery query(db->database());
        const QVariantList values{text(run.id),
                                  text(run.serialNumber),
                                  text(run.operatorName),
                                  text(run.station),
                                  text(run.tester),
                                  run.comNumber,
                                  text(run.device),
                                  run.address,
                                  storedTime(run.started),
                                  storedTime(run.finished),
                                  QString::fromLatin1(procedures::outcomeWord(run.outcome)),
                                  text(run.failed),
                                  text(run.slot)};
        if (!db->exec(query,
                      QStringLiteral("INSERT INTO runs (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                     "?, ?, ?, ?) ON CONFLICT (id) DO NOTHING")
                          .arg(RunColumns),
                      values, error))
            return false;
        if (query.numRowsAffected() == 0)
            return true; // there already: stored once
        const QVariant id = text(run.id);
        if (!db->exec(query, "INSERT INTO reports (run_id, json) VALUES (?, ?)",
                      {id, text(run.reportJson)}, error))
            return false;
        if (!query.prepare("INSERT INTO steps (run_id, position, name, result, started, "
                           "finished) VALUES (?, ?, ?, ?, ?, ?)"))
            return db->fail(query, error);
        for (std::size_t i = 0; i < run.steps.size(); ++i) {
            const records::StepRow &s = run.steps[i];
            for (const QVariant &v : {id, QVariant(int(i)), QVariant(text(s.name)),
                                      QVariant(text(s.result)), time(s.started), time(s.finished)})
                query.addBindValue(v);
            if (!query.exec())
                return db->fail(query, error);
        }
        if (!query.prepare("INSERT INTO measurements (run_id, position, name, value, low, high, "
                           "unit, result) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"))
            return db->fail(query, error);
        for (std::size_t i = 0; i < run.measurements.size(); ++i) {
            const records::Measurement &m = run.measurements[i];
            for (const QVariant &v :
                 {id, QVariant(int(i)), QVariant(text(m.name)), number(m.value), number(m.low),
                  number(m.high), QVariant(text(m.unit)), QVariant(text(m.result))})
                query.addBindValue(v);
            if (!query.exec())
                return db->fail(query, error);
        }
        return !db->local || db->exec(query, "INSERT INTO waiting (run_id, server) VALUES (?, ?)",
                                      {id, notNull(server)}, error);
    }();
    if (stored && db->exec(QStringLiteral("COMMIT"), {}, error))
        return true;
    db->rollback();
    return false;
}

namespace {

// A run's row with what it left untested, from the steps it kept: the input steps it did not run,
// and the inputs of those it ran that were neither seen off nor read at the high end.
QString rowColumns(bool local)
{
    const QString names =
        local ? QStringLiteral("group_concat(name, ',')") : QStringLiteral("string_agg(name, ',')");
    return QStringLiteral("SELECT id, started, serial, operator, station, outcome, failed, "
                          "(SELECT %1 FROM steps WHERE steps.run_id = runs.id AND name IN "
                          "('digital', 'analog') AND result = 'not run'), "
                          "(SELECT %1 FROM measurements WHERE measurements.run_id = runs.id AND "
                          "result IN ('not run', 'skipped') AND (name LIKE 'digital % off' OR "
                          "name LIKE 'analog % high')), slot FROM runs")
        .arg(names);
}

// The verdict line's note, made again from those names: "digital", "analog 3 high".
QString untestedNote(Outcome outcome, const QString &steps, const QString &inputs)
{
    procedures::SelfTestReport r;
    r.outcome = outcome;
    for (auto &d : r.digital)
        d.result = procedures::StepResult::Pass;
    for (auto &a : r.analog)
        a.result = procedures::StepResult::Pass;
    const auto untested = [&](const QString &step, int input) {
        const bool digital = step == QLatin1String("digital");
        const auto count = digital ? r.digital.size() : r.analog.size();
        for (std::size_t i = 0; i < count; ++i)
            if (input == 0 || int(i + 1) == input)
                (digital ? r.digital[i].result : r.analog[i].result) =
                    procedures::StepResult::NotRun;
    };
    for (const QString &step : steps.split(',', Qt::SkipEmptyParts))
        untested(step, 0);
    for (const QString &name : inputs.split(',', Qt::SkipEmptyParts))
        untested(name.section(' ', 0, 0), name.section(' ', 1, 1).toInt());
    return QString::fromStdString(procedures::untestedNote(r));
}

} // namespace

std::vector<RunRow> HistoryDb::runs(const RunFilter &filter, int limit, int offset) const
{
    QVariantList values;
    const QString sql = rowColumns(db->local) + whereClause(filter, db->local, values) +
                        " ORDER BY started DESC, id DESC LIMIT ? OFFSET ?";
    values << limit << offset;
    return rows(sql, values);
}

std::vector<RunRow> HistoryDb::runsAfter(const RunFilter &filter, int limit,
                                         const std::optional<RunRow> &after) const
{
    QVariantList values;
    QString where = whereClause(filter, db->local, values);
    if (after) {
        where += (where.isEmpty() ? " WHERE " : " AND ") +
                 QStringLiteral("(started < ? OR (started = ? AND id < ?))");
        const QString started = storedTime(
            line::WallTime(std::chrono::milliseconds(after->started.toMSecsSinceEpoch())));
        values << started << started << after->id;
    }
    values << limit;
    return rows(rowColumns(db->local) + where + " ORDER BY started DESC, id DESC LIMIT ?", values);
}

std::vector<RunRow> HistoryDb::rows(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query(db->database());
    query.setForwardOnly(true);
    std::vector<RunRow> rows;
    if (!db->read(query, sql, values))
        return rows;
    while (query.next()) {
        const Outcome outcome = outcomeOf(query.value(5).toString());
        rows.push_back({query.value(0).toString(), dateTimeOf(query.value(1).toString()),
                        query.value(2).toString(), query.value(3).toString(),
                        query.value(4).toString(), outcome, query.value(6).toString(),
                        untestedNote(outcome, query.value(7).toString(), query.value(8).toString()),
                        query.value(9).toString()});
    }
    db->readToTheEnd(query);
    return rows;
}

int HistoryDb::count(const RunFilter &filter) const
{
    QVariantList values;
    const QString sql = "SELECT COUNT(*) FROM runs" + whereClause(filter, db->local, values);
    QSqlQuery query(db->database());
    if (!db->read(query, sql, values) || !query.next())
        return 0;
    return query.value(0).toInt();
}

std::vector<figures::YieldRun> HistoryDb::yieldRuns(const RunFilter &filter) const
{
    QVariantList values;
    const QString sql = "SELECT started, serial, outcome FROM runs" +
                        whereClause(filter, db->local, values) + " ORDER BY started, id";
    QSqlQuery query(db->database());
    query.setForwardOnly(true);
    std::vector<figures::YieldRun> runs;
    if (!db->read(query, sql, values))
        return runs;
    while (query.next())
        runs.push_back({wallTimeOf(query.value(0).toString()),
                        query.value(1).toString().toStdString(),
                        outcomeOf(query.value(2).toString())});
    db->readToTheEnd(query);
    return runs;
}

std::optional<QByteArray> HistoryDb::reportJson(const QString &id) const
{
    QSqlQuery query(db->database());
    if (!db->read(query, QStringLiteral("SELECT json FROM reports WHERE run_id = ?"), {id}) ||
        !query.next())
        return std::nullopt;
    return query.value(0).toString().toUtf8();
}

namespace {

// Oldest first, as they were kept: the waiting table alone, so that a damaged page among the
// runs hides none of the others.
const QString WaitingFor = QStringLiteral(" FROM waiting WHERE server = ? OR (server = '' AND ?)");

} // namespace

std::vector<QString> HistoryDb::waitingIds(const QString &server, bool orUnnamed) const
{
    std::vector<QString> ids;
    QSqlQuery query(db->database());
    query.setForwardOnly(true);
    if (!db->local || !db->read(query, "SELECT run_id" + WaitingFor + " ORDER BY rowid",
                                {notNull(server), orUnnamed}))
        return ids;
    while (query.next())
        ids.push_back(query.value(0).toString());
    db->readToTheEnd(query);
    return ids;
}

int HistoryDb::waitingCount(const QString &server, bool orUnnamed) const
{
    QSqlQuery query(db->database());
    if (!db->local ||
        !db->read(query, "SELECT COUNT(*)" + WaitingFor, {notNull(server), orUnnamed}) ||
        !query.next())
        return 0;
    return query.value(0).toInt();
}

std::optional<records::RunRecord> HistoryDb::load(const QString &id) const
{
    QSqlQuery query(db->database());
    query.setForwardOnly(true);
    if (!db->read(query, QStringLiteral("SELECT %1 FROM runs WHERE id = ?").arg(RunColumns), {id}))
        return std::nullopt;
    if (!query.next()) {
        if (db->readToTheEnd(query))
            db->fail("no run " + id + " in " + db->name, nullptr);
        return std::nullopt;
    }
    const auto string = [&](int column) { return query.value(column).toString().toStdString(); };
    records::RunRecord run;
    run.id = string(0);
    run.serialNumber = string(1);
    run.operatorName = string(2);
    run.station = string(3);
    run.tester = string(4);
    run.comNumber = query.value(5).toInt();
    run.device = string(6);
    run.address = query.value(7).toInt();
    run.started = wallTimeOf(query.value(8).toString());
    run.finished = wallTimeOf(query.value(9).toString());
    run.outcome = outcomeOf(query.value(10).toString());
    run.failed = string(11);
    run.slot = string(12);
    const auto json = reportJson(id);
    if (!json)
        return std::nullopt;
    run.reportJson = json->toStdString();
    if (!db->exec(query,
                  QStringLiteral("SELECT name, result, started, finished FROM steps "
                                 "WHERE run_id = ? ORDER BY position"),
                  {id}))
        return std::nullopt;
    while (query.next())
        run.steps.push_back({string(0), string(1), time(query.value(2)), time(query.value(3))});
    if (!db->readToTheEnd(query))
        return std::nullopt;
    if (!db->exec(query,
                  QStringLiteral("SELECT name, value, low, high, unit, result FROM measurements "
                                 "WHERE run_id = ? ORDER BY position"),
                  {id}))
        return std::nullopt;
    while (query.next())
        run.measurements.push_back({string(0), number(query.value(1)), number(query.value(2)),
                                    number(query.value(3)), string(4), string(5)});
    if (!db->readToTheEnd(query))
        return std::nullopt;
    return run;
}

bool HistoryDb::markUploaded(const QString &id, QString *error)
{
    return db->exec(QStringLiteral("DELETE FROM waiting WHERE run_id = ?"), {id}, error);
}
