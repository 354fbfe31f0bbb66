// The history's connections: opening the local file and the server, each migrated to the
// current schema, and the one way their statements run, with any password scrubbed out of
// what they say.
#include "HistoryConnection.h"

#include "HistoryLimits.h"
#include "Schema.h"
#include "ServerSocket.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QThread>

#include <atomic>

namespace {

std::atomic<int> connectionCount{0};

// SQLite's "database is locked" and "database table is locked".
bool busy(const QString &message)
{
    return message.contains(QLatin1String("is locked"));
}

} // namespace

QString errorText(const QSqlError &error)
{
    const QString own = error.databaseText().trimmed();
    return own.isEmpty() ? error.text() : own;
}

HistoryDb::Connection::Connection()
    : connection(QStringLiteral("rzm530-history-%1").arg(connectionCount++))
{
}

HistoryDb::Connection::~Connection()
{
    if (!local)
        serverSocket::closed(connection);
    database().close();
    QSqlDatabase::removeDatabase(connection);
}

QString HistoryDb::Connection::scrubbed(QString message) const
{
    if (!password.isEmpty())
        message.replace(password, QStringLiteral("***"));
    return message.trimmed();
}

bool HistoryDb::Connection::fail(const QString &message, QString *error) const
{
    lastError = scrubbed(message);
    if (error)
        *error = lastError;
    return false;
}

bool HistoryDb::Connection::fail(const QSqlQuery &query, QString *error) const
{
    return fail(errorText(query.lastError()), error);
}

bool HistoryDb::Connection::exec(QSqlQuery &query, const QString &sql, const QVariantList &values,
                                 QString *error) const
{
    // A connection that never opened is said as such, not by Qt's own complaint.
    if (!database().isOpen())
        return fail(name + " is not open", error);
    // PostgreSQL prepares only the four kinds of statement that take values.
    if (values.isEmpty())
        return query.exec(sql) || fail(query, error);
    if (!query.prepare(sql))
        return fail(query, error);
    for (const QVariant &v : values)
        query.addBindValue(v);
    return query.exec() || fail(query, error);
}

bool HistoryDb::Connection::exec(const QString &sql, const QVariantList &values,
                                 QString *error) const
{
    QSqlQuery query(database());
    return exec(query, sql, values, error);
}

bool HistoryDb::Connection::read(QSqlQuery &query, const QString &sql,
                                 const QVariantList &values) const
{
    lastError.clear();
    return exec(query, sql, values);
}

bool HistoryDb::Connection::readToTheEnd(const QSqlQuery &query) const
{
    return !query.lastError().isValid() || fail(query, nullptr);
}

bool HistoryDb::Connection::begin(QString *error) const
{
    // SQLite takes the write lock at once rather than fail on it half way through.
    return exec(local ? "BEGIN IMMEDIATE" : "BEGIN", {}, error);
}

void HistoryDb::Connection::rollback() const
{
    exec(QStringLiteral("ROLLBACK"), {}, nullptr);
}

namespace {

// The file open in WAL mode and migrated, or the reason it is not.
QString openAndMigrate(QSqlDatabase &db)
{
    if (!db.open())
        return errorText(db.lastError());
    QSqlQuery wal(db);
    if (!wal.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return errorText(wal.lastError());
    if (!wal.next() || wal.value(0).toString() != QLatin1String("wal"))
        return QStringLiteral("the file cannot keep a write-ahead log");
    wal.finish();
    QString why;
    if (!schema::migrate(db, schema::Place::Local, &why))
        return why;
    return {};
}

} // namespace

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
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1")
                             .arg(std::chrono::milliseconds(historyLimits::LocalBusy).count()));
    // Switching a new file to WAL answers "locked" at once, without the busy time-out, while
    // another program makes the same file: each waits its turn here instead.
    const QDeadlineTimer deadline(historyLimits::LocalBusy);
    for (;;) {
        const QString why = openAndMigrate(db);
        if (why.isEmpty())
            return std::unique_ptr<HistoryDb>(new HistoryDb(std::move(c)));
        db.close();
        if (!busy(why) || deadline.hasExpired()) {
            c->fail(path + ": " + why, error);
            return nullptr;
        }
        QThread::msleep(20);
    }
}

HistoryDb::HistoryDb(std::unique_ptr<Connection> connection) : db(std::move(connection)) {}

HistoryDb::~HistoryDb() = default;

QString HistoryDb::name() const
{
    return db->name;
}

bool HistoryDb::isLocal() const
{
    return db->local;
}

QString HistoryDb::lastError() const
{
    return db->lastError;
}

bool HistoryDb::serverAnswered(const QString &error)
{
    static const QRegularExpression severity(QStringLiteral("\\b(ERROR|FATAL|PANIC):"));
    return severity.match(error).hasMatch();
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
    const auto answer = std::chrono::seconds(historyLimits::ServerAnswer);
    db.setConnectOptions(QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=%2;"
                                        "keepalives_interval=%3;keepalives_count=%4;"
                                        "tcp_user_timeout=%5")
                             .arg(answer.count())
                             .arg(historyLimits::KeepaliveIdle.count())
                             .arg(historyLimits::KeepaliveInterval.count())
                             .arg(historyLimits::KeepaliveProbes)
                             .arg(std::chrono::milliseconds(answer).count()));
    if (!db.open()) {
        c->fail(c->name + ": " + errorText(db.lastError()), error);
        return nullptr;
    }
    serverSocket::opened(c->connection, db);
    // The server's notices ("relation already exists, skipping") are no news to anyone; a lock
    // held elsewhere, or a statement stuck, is given up by the server itself.
    const auto ms = [](std::chrono::seconds s) {
        return QString::number(std::chrono::milliseconds(s).count());
    };
    for (const QString &set : {QStringLiteral("SET client_min_messages = warning"),
                               "SET lock_timeout = " + ms(historyLimits::ServerAnswer),
                               "SET statement_timeout = " + ms(historyLimits::ServerStatement)})
        if (!c->exec(set, {}, error))
            return nullptr;
    QString why;
    if (!schema::migrate(db, schema::Place::Server, &why)) {
        c->fail(c->name + ": " + why, error);
        return nullptr;
    }
    return std::unique_ptr<HistoryDb>(new HistoryDb(std::move(c)));
}
