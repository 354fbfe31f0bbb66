#include "Schema.h"

#include "HistoryConnection.h"

#include <QSqlError>
#include <QSqlQuery>

#include <optional>
#include <vector>

namespace schema {

namespace {

struct Statement {
    const char *sql;
    bool localOnly = false;
    bool keyedRows = false; // SQLite keeps rows of a composite key without a second index
};

// Version n is migrations[n - 1]; a released step is never changed, only followed by another.
// Times are UTC as "2026-12-07T14:03:21.042Z", which sorts as it reads. The JSON report has
// a table of its own so that a search through the runs reads only the runs.
const std::vector<std::vector<Statement>> Migrations = {
    {
        {"CREATE TABLE runs (id TEXT PRIMARY KEY, serial TEXT NOT NULL, operator TEXT NOT NULL, "
         "station TEXT NOT NULL, tester TEXT NOT NULL, com INTEGER NOT NULL, "
         "device TEXT NOT NULL, address INTEGER NOT NULL, started TEXT NOT NULL, "
         "finished TEXT NOT NULL, outcome TEXT NOT NULL, failed TEXT NOT NULL)"},
        // Covering: a yield reads the index alone, and a search by serial number newest first reads
        // only the runs it finds.
        {"CREATE INDEX runs_started ON runs (started, serial, outcome)"},
        {"CREATE INDEX runs_serial ON runs (serial)"},
        {"CREATE TABLE reports (run_id TEXT PRIMARY KEY REFERENCES runs (id), "
         "json TEXT NOT NULL)"},
        {"CREATE TABLE steps (run_id TEXT NOT NULL REFERENCES runs (id), "
         "position INTEGER NOT NULL, name TEXT NOT NULL, result TEXT NOT NULL, started TEXT, "
         "finished TEXT, PRIMARY KEY (run_id, position))",
         false, true},
        {"CREATE TABLE measurements (run_id TEXT NOT NULL REFERENCES runs (id), "
         "position INTEGER NOT NULL, name TEXT NOT NULL, value DOUBLE PRECISION, "
         "low DOUBLE PRECISION, high DOUBLE PRECISION, unit TEXT NOT NULL, "
         "result TEXT NOT NULL, PRIMARY KEY (run_id, position))",
         false, true},
        // The local file's runs that the server has not taken yet.
        {"CREATE TABLE waiting (run_id TEXT PRIMARY KEY REFERENCES runs (id))", true},
    },
    {
        // The server each run waits for; empty for whichever the settings name (runs kept
        // before a server was set, or by an earlier version).
        {"ALTER TABLE waiting ADD COLUMN server TEXT NOT NULL DEFAULT ''", true},
    },
    {
        // The station slot a run was tested in, by its port; empty for a run on the tester's
        // one port, as every run kept before is.
        {"ALTER TABLE runs ADD COLUMN slot TEXT NOT NULL DEFAULT ''"},
    },
};

// The newest version this tester knows.
const int NewestVersion = int(Migrations.size());

// The version a database is brought to: a server stays at the last version that changed it,
// so that stations not yet updated go on using it.
int currentVersion(Place place)
{
    int version = 0;
    for (std::size_t v = 0; v < Migrations.size(); ++v)
        for (const Statement &s : Migrations[v])
            if (!s.localOnly || place == Place::Local)
                version = int(v + 1);
    return version;
}

// Any one number, the same on every station: the lock two stations' migrations take turns on.
const char *ServerMigrationLock = "SELECT pg_advisory_xact_lock(530530)";

bool run(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    *error = errorText(query.lastError());
    return false;
}

std::optional<int> version(QSqlDatabase &db, QString *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT version FROM schema_version"))) {
        *error = errorText(query.lastError());
        return std::nullopt;
    }
    return query.next() ? query.value(0).toInt() : 0;
}

bool upgrade(QSqlDatabase &db, Place place, QString *error)
{
    if (place == Place::Server && !run(db, ServerMigrationLock, error))
        return false;
    if (!run(db, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", error))
        return false;
    const auto from = version(db, error);
    if (!from)
        return false;
    if (*from > NewestVersion) {
        *error = QStringLiteral("the history is of version %1, newer than this tester knows (%2)")
                     .arg(*from)
                     .arg(NewestVersion);
        return false;
    }
    const int current = currentVersion(place);
    for (int v = *from; v < current; ++v)
        for (const Statement &s : Migrations[std::size_t(v)]) {
            if (s.localOnly && place != Place::Local)
                continue;
            QString sql = QString::fromLatin1(s.sql);
            if (s.keyedRows && place == Place::Local)
                sql += QStringLiteral(" WITHOUT ROWID");
            if (!run(db, sql, error))
                return false;
        }
    if (*from >= current)
        return true;
    return run(db, "DELETE FROM schema_version", error) &&
           run(db, QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(current),
               error);
}

} // namespace

bool migrate(QSqlDatabase &db, Place place, QString *error)
{
    // A history already at this version is only read: a station's role that may read and
    // insert but not create tables opens it all the same, and nothing waits for the lock.
    {
        QString missing;
        if (const auto found = version(db, &missing);
            found && *found >= currentVersion(place) && *found <= NewestVersion)
            return true;
    }
    // SQLite takes the write lock at once, so that a second process opening a new file waits
    // instead of failing half way.
    if (!run(db, place == Place::Local ? "BEGIN IMMEDIATE" : "BEGIN", error))
        return false;
    if (upgrade(db, place, error) && run(db, "COMMIT", error))
        return true;
    QString ignored;
    run(db, "ROLLBACK", &ignored);
    return false;
}

} // namespace schema
