#include "HistoryDb.h"

#include "RunCsv.h"
#include "Schema.h"
#include "StoredTime.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <atomic>

using line::Outcome;

namespace {

std::atomic<int> connectionCount{0};

// How long a server may take to answer a connection, or a request once connected: the
// longest a console run waits after its verdict when the server is down.
constexpr int ServerConnectTimeoutSeconds = 3;

Outcome outcomeOf(const QString &word)
{
    return outcomeNamed(word).value_or(Outcome::Error);
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

// "Part of the serial number", with LIKE's own characters taken as they are.
QString containing(QString part)
{
    part.replace('!', "!!").replace('%', "!%").replace('_', "!_");
    return '%' + part + '%';
}

const char *RunColumns = "id, serial, operator, station, tester, com, device, address, started, "
                         "finished, outcome, failed";

} // namespace

struct HistoryDb::Connection {
    QString connection = QStringLiteral("rzm530-history-%1").arg(connectionCount++);
    bool local = true;
    QString name;
    QString password; // kept out of every message
    mutable QString lastError;

    ~Connection()
    {
        database().close();
        QSqlDatabase::removeDatabase(connection);
    }

    QSqlDatabase database() const { return QSqlDatabase::database(connection, false); }

    QString scrubbed(QString message) const
    {
        if (!password.isEmpty())
            message.replace(password, QStringLiteral("***"));
        return message.trimmed();
    }

    bool fail(const QString &message, QString *error) const
    {
        lastError = scrubbed(message);
        if (error)
            *error = lastError;
        return false;
    }

    bool fail(const QSqlQuery &query, QString *error) const
    {
        return fail(query.lastError().text(), error);
    }

    // One statement with its values bound in order; the query is ready to read.
    bool exec(QSqlQuery &query, const QString &sql, const QVariantList &values,
              QString *error = nullptr) const
    {
        // PostgreSQL prepares only the four kinds of statement that take values.
        if (values.isEmpty())
            return query.exec(sql) || fail(query, error);
        if (!query.prepare(sql))
            return fail(query, error);
        for (const QVariant &v : values)
            query.addBindValue(v);
        return query.exec() || fail(query, error);
    }

    // A read: its failure is the last error, and a read that works clears it, so that an
    // empty answer can be told from a refused one.
    bool read(QSqlQuery &query, const QString &sql, const QVariantList &values) const
    {
        lastError.clear();
        return exec(query, sql, values);
    }

    bool exec(const QString &sql, const QVariantList &values, QString *error) const
    {
        QSqlQuery query(database());
        return exec(query, sql, values, error);
    }

    // The filter as a WHERE clause, its values appended to `values`.
    QString where(const RunFilter &f, QVariantList &values) const
    {
        QStringList terms;
        if (!f.serial.isEmpty()) {
            terms << (local ? "serial LIKE ? ESCAPE '!'" : "serial ILIKE ? ESCAPE '!'");
            values << containing(f.serial);
        }
        if (f.since) {
            terms << "started >= ?";
            values << storedTime(localDayStart(*f.since));
        }
        if (f.until) {
            terms << "started < ?";
            values << storedTime(localDayStart(f.until->addDays(1)));
        }
        if (f.outcome) {
            terms << "outcome = ?";
            values << QString::fromLatin1(line::outcomeWord(*f.outcome));
        }
        if (!f.operatorName.isEmpty()) {
            terms << "operator = ?";
            values << f.operatorName;
        }
        if (!f.station.isEmpty()) {
            terms << "station = ?";
            values << f.station;
        }
        return terms.isEmpty() ? QString() : " WHERE " + terms.join(" AND ");
    }

    bool begin(QString *error) const
    {
        // SQLite takes the write lock at once rather than fail on it half way through.
        return exec(local ? "BEGIN IMMEDIATE" : "BEGIN", {}, error);
    }

    void rollback() const { exec(QStringLiteral("ROLLBACK"), {}, nullptr); }
};

HistoryDb::HistoryDb(std::unique_ptr<Connection> connection) : db(std::move(connection)) {}

HistoryDb::~HistoryDb() = default;

std::unique_ptr<HistoryDb> HistoryDb::openLocal(const QString &path, QString *error)
{
    auto c = std::make_unique<Connection>();
    c->name = "the local file " + QDir::toNativeSeparators(path);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), c->connection);
    if (!db.isValid()) {
        c->fail("Qt SQL's SQLite driver is missing (package libqt6sql6-sqlite)", error);
        return nullptr;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        c->fail("cannot make the folder of " + path, error);
        return nullptr;
    }
    db.setDatabaseName(path);
    // Another connection writing (the upload marking a run) makes this one wait, not fail.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open()) {
        c->fail(path + ": " + db.lastError().text(), error);
        return nullptr;
    }
    QSqlQuery wal(db);
    if (!c->exec(wal, QStringLiteral("PRAGMA journal_mode=WAL"), {}, error))
        return nullptr;
    if (!wal.next() || wal.value(0).toString() != QLatin1String("wal")) {
        c->fail(path + ": the file cannot keep a write-ahead log", error);
        return nullptr;
    }
    wal.finish();
    QString why;
    if (!schema::migrate(db, schema::Place::Local, &why)) {
        c->fail(path + ": " + why, error);
        return nullptr;
    }
    return std::unique_ptr<HistoryDb>(new HistoryDb(std::move(c)));
}

std::unique_ptr<HistoryDb> HistoryDb::openServer(const ServerUrl &url, QString *error)
{
    auto c = std::make_unique<Connection>();
    c->local = false;
    c->name = url.shown();
    c->password = url.password;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), c->connection);
    if (!db.isValid()) {
        c->fail("Qt SQL's PostgreSQL driver is missing (package libqt6sql6-psql)", error);
        return nullptr;
    }
    db.setHostName(url.host);
    db.setPort(url.port);
    db.setUserName(url.user);
    db.setPassword(url.password);
    db.setDatabaseName(url.database);
    // A server that does not answer must not hold an upload, or a console about to exit, long;
    // nor may one that vanishes while connected hold a query for TCP's minutes of retries.
    db.setConnectOptions(QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=5;"
                                        "keepalives_interval=2;keepalives_count=3;"
                                        "tcp_user_timeout=%2")
                             .arg(ServerConnectTimeoutSeconds)
                             .arg(ServerConnectTimeoutSeconds * 1000));
    if (!db.open()) {
        c->fail(c->name + ": " + db.lastError().text(), error);
        return nullptr;
    }
    // The server's notices ("relation already exists, skipping") are no news to anyone.
    QString why;
    if (!c->exec(QStringLiteral("SET client_min_messages = warning"), {}, error))
        return nullptr;
    if (!schema::migrate(db, schema::Place::Server, &why)) {
        c->fail(c->name + ": " + why, error);
        return nullptr;
    }
    return std::unique_ptr<HistoryDb>(new HistoryDb(std::move(c)));
}

QString HistoryDb::name() const
{
    return db->name;
}

bool HistoryDb::isLocal() const
{
    return db->local;
}

bool HistoryDb::store(const line::RunRecord &run, QString *error)
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
                                  QString::fromLatin1(line::outcomeWord(run.outcome)),
                                  text(run.failed)};
        if (!db->exec(query,
                      QStringLiteral("INSERT INTO runs (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                     "?, ?, ?) ON CONFLICT (id) DO NOTHING")
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
            const line::StepRow &s = run.steps[i];
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
            const line::Measurement &m = run.measurements[i];
            for (const QVariant &v :
                 {id, QVariant(int(i)), QVariant(text(m.name)), number(m.value), number(m.low),
                  number(m.high), QVariant(text(m.unit)), QVariant(text(m.result))})
                query.addBindValue(v);
            if (!query.exec())
                return db->fail(query, error);
        }
        return !db->local ||
               db->exec(query, "INSERT INTO waiting (run_id) VALUES (?)", {id}, error);
    }();
    if (stored && db->exec(QStringLiteral("COMMIT"), {}, error))
        return true;
    db->rollback();
    return false;
}

std::vector<RunRow> HistoryDb::runs(const RunFilter &filter, int limit, int offset) const
{
    QVariantList values;
    const QString sql = "SELECT id, started, serial, operator, station, outcome, failed FROM runs" +
                        db->where(filter, values) +
                        " ORDER BY started DESC, id DESC LIMIT ? OFFSET ?";
    values << limit << offset;
    QSqlQuery query(db->database());
    query.setForwardOnly(true);
    std::vector<RunRow> rows;
    if (!db->read(query, sql, values))
        return rows;
    while (query.next())
        rows.push_back({query.value(0).toString(), dateTimeOf(query.value(1).toString()),
                        query.value(2).toString(), query.value(3).toString(),
                        query.value(4).toString(), outcomeOf(query.value(5).toString()),
                        query.value(6).toString()});
    return rows;
}

int HistoryDb::count(const RunFilter &filter) const
{
    QVariantList values;
    const QString sql = "SELECT COUNT(*) FROM runs" + db->where(filter, values);
    QSqlQuery query(db->database());
    if (!db->read(query, sql, values) || !query.next())
        return 0;
    return query.value(0).toInt();
}

std::vector<line::YieldRun> HistoryDb::yieldRuns(const RunFilter &filter) const
{
    QVariantList values;
    const QString sql = "SELECT started, serial, outcome FROM runs" + db->where(filter, values) +
                        " ORDER BY started, id";
    QSqlQuery query(db->database());
    query.setForwardOnly(true);
    std::vector<line::YieldRun> runs;
    if (!db->read(query, sql, values))
        return runs;
    while (query.next())
        runs.push_back({wallTimeOf(query.value(0).toString()),
                        query.value(1).toString().toStdString(),
                        outcomeOf(query.value(2).toString())});
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

std::vector<QString> HistoryDb::waitingIds() const
{
    std::vector<QString> ids;
    if (!db->local)
        return ids;
    QSqlQuery query(db->database());
    query.setForwardOnly(true);
    if (!db->exec(query,
                  QStringLiteral("SELECT run_id FROM waiting JOIN runs ON runs.id = run_id "
                                 "ORDER BY started, run_id"),
                  {}))
        return ids;
    while (query.next())
        ids.push_back(query.value(0).toString());
    return ids;
}

int HistoryDb::waitingCount() const
{
    QSqlQuery query(db->database());
    if (!db->local || !db->exec(query, QStringLiteral("SELECT COUNT(*) FROM waiting"), {}) ||
        !query.next())
        return 0;
    return query.value(0).toInt();
}

std::optional<line::RunRecord> HistoryDb::load(const QString &id) const
{
    QSqlQuery query(db->database());
    query.setForwardOnly(true);
    if (!db->exec(query, QStringLiteral("SELECT %1 FROM runs WHERE id = ?").arg(RunColumns),
                  {id}) ||
        !query.next())
        return std::nullopt;
    const auto string = [&](int column) { return query.value(column).toString().toStdString(); };
    line::RunRecord run;
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
    if (!db->exec(query,
                  QStringLiteral("SELECT name, value, low, high, unit, result FROM measurements "
                                 "WHERE run_id = ? ORDER BY position"),
                  {id}))
        return std::nullopt;
    while (query.next())
        run.measurements.push_back({string(0), number(query.value(1)), number(query.value(2)),
                                    number(query.value(3)), string(4), string(5)});
    return run;
}

bool HistoryDb::markUploaded(const QString &id, QString *error)
{
    return db->exec(QStringLiteral("DELETE FROM waiting WHERE run_id = ?"), {id}, error);
}

QString HistoryDb::lastError() const
{
    return db->lastError;
}
