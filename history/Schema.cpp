#include "Schema.h"

#include "HistoryConnection.h"

#include <QSqlError>
#include <QSqlQuery>

#include <optional>
#include <vector>

namespace schema {

namespace {

// A column that stations of an earlier version live with: their statements name their columns,
// and it has a default for the rows they insert.
struct Column {
    const char *table = nullptr;
    const char *name = nullptr;
    const char *type = nullptr;
};

struct Statement {
    const char *sql = nullptr;
    bool localOnly = false;
    bool keyedRows = false; // SQLite keeps rows of a composite key without a second index
    Column added{};         // instead of sql: an additive step
};

constexpr Statement additive(Column column)
{
    Statement s;
    s.added = column;
    return s;
}

// Version n is migrations[n - 1]; a released step is never changed, only followed by another.
//
// The local file is one station's own: it is brought to the newest version and records it. A
// server is shared by stations updated one at a time, and an earlier tester refuses a server
// whose recorded version is above its own, so the server records only the steps that earlier
// testers cannot live with. Its local-only steps are skipped, and its additive steps (a column
// with a default) are applied without raising the recorded version: with ADD COLUMN IF NOT
// EXISTS, since that version no longer says whether they were, and the columns themselves are
// checked before a server at this version is only read.
//
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
        additive({"runs", "slot", "TEXT NOT NULL DEFAULT ''"}),
    },
};

// The newest version this tester knows.
const int NewestVersion = int(Migrations.size());

bool appliesTo(const Statement &s, Place place)
{
    return !s.localOnly || place == Place::Local;
}

// Whether the statement raises the version the database records.
bool raises(const Statement &s, Place place)
{
    return appliesTo(s, place) && (place == Place::Local || !s.added.table);
}

// The version a database records once brought up to date: the last version that changed it in
// a way that earlier testers cannot live with.
int currentVersion(Place place)
{
    int version = 0;
    for (std::size_t v = 0; v < Migrations.size(); ++v)
        for (const Statement &s : Migrations[v])
            if (raises(s, place))
                version = int(v + 1);
    return version;
}

QString sqlOf(const Statement &s, Place place)
{
    if (s.added.table)
        return QStringLiteral("ALTER TABLE %1 ADD COLUMN %2%3 %4")
            .arg(QLatin1String(s.added.table),
                 place == Place::Server ? QLatin1String("IF NOT EXISTS ") : QLatin1String(),
                 QLatin1String(s.added.name), QLatin1String(s.added.type));
    QString sql = QString::fromLatin1(s.sql);
    if (s.keyedRows && place == Place::Local)
        sql += QStringLiteral(" WITHOUT ROWID");
    return sql;
}

// Any one number, the same on every station: the lock two stations' migrations take turns on.
const char *ServerMigrationLock = "SELECT pg_advisory_xact_lock(530530)";

// PostgreSQL's SQLSTATE for a role refused what it asked.
const char *InsufficientPrivilege = "42501";

bool run(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    *error = errorText(query.lastError());
    // Only the schema's own statements run here: a station's role that may read and insert
    // meets this on a server whose tables this version must change first.
    if (query.lastError().nativeErrorCode() == QLatin1String(InsufficientPrivilege))
        *error = QStringLiteral("the history server's tables need a change this station's role "
                                "may not make (%1): open it once as the role that made them")
                     .arg(*error);
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

// Whether a database recording version `recorded` has every column that steps after it add
// without recording them (on a server only). The catalog answers whatever the role may do with
// the table, and nothing fails meanwhile.
bool hasLaterColumns(QSqlDatabase &db, int recorded, Place place)
{
    for (std::size_t v = std::size_t(recorded); v < Migrations.size(); ++v)
        for (const Statement &s : Migrations[v]) {
            // Only a column added without raising the version is not vouched for by it.
            if (!appliesTo(s, place) || raises(s, place))
                continue;
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral("SELECT 1 FROM pg_attribute WHERE attrelid = "
                                           "to_regclass('%1') AND attname = '%2' AND NOT "
                                           "attisdropped")
                                .arg(QLatin1String(s.added.table), QLatin1String(s.added.name))) ||
                !query.next())
                return false;
        }
    return true;
}

// Whether the database has everything this tester would bring to it.
bool upToDate(QSqlDatabase &db, Place place)
{
    QString missing;
    const auto found = version(db, &missing);
    return found && *found >= currentVersion(place) && *found <= NewestVersion &&
           hasLaterColumns(db, *found, place);
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
    // Past the version recorded, every step: those that do not raise it (additive on a server)
    // are applied again until a later step does.
    for (int v = *from; v < NewestVersion; ++v)
        for (const Statement &s : Migrations[std::size_t(v)])
            if (appliesTo(s, place) && !run(db, sqlOf(s, place), error))
                return false;
    const int current = currentVersion(place);
    if (*from >= current)
        return true;
    return run(db, "DELETE FROM schema_version", error) &&
           run(db, QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(current),
               error);
}

} // namespace

bool migrate(QSqlDatabase &db, Place place, QString *error)
{
    // A history already up to date is only read: a station's role that may read and insert but
    // not create tables opens it all the same, and nothing waits for the lock.
    if (upToDate(db, place))
        return true;
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
