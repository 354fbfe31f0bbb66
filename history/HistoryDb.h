#pragma once

#include "RunRecord.h"
#include "ServerUrl.h"
#include "Yield.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>
#include <vector>

// Which runs a list, a yield or an export is about. Empty fields do not filter.
struct RunFilter {
    QString serial;             // part of the serial number
    std::optional<QDate> since; // local days, both included
    std::optional<QDate> until;
    std::optional<procedures::Outcome> outcome;
    QString operatorName;
    QString station;
};

// One line of the run list.
struct RunRow {
    QString id;
    QDateTime started; // UTC
    QString serial, operatorName, station;
    procedures::Outcome outcome = procedures::Outcome::Error;
    QString failed;
    // What the run left untested, as its verdict line says it: "(digital input 4 not tested)".
    QString untested;
    QString slot; // "COM 3", "tcp://10.0.0.7:4001"; empty for a run on the tester's one port
};

// One history database: the local SQLite file or the shared PostgreSQL server, with the same
// schema. A connection belongs to the thread that opened it. All SQL takes its values as bound
// parameters. Opened, with its connection, in HistoryConnection.cpp; its tables read and
// written in HistoryTables.cpp; a filter made SQL in RunFilterSql.cpp.
class HistoryDb {
public:
    // Opens the file, creating it, in WAL mode, migrated to the current schema in one
    // transaction. Nothing, with the reason in `error`, when it cannot.
    static std::unique_ptr<HistoryDb> openLocal(const QString &path, QString *error);
    // Connects to the server and migrates it the same way.
    static std::unique_ptr<HistoryDb> openServer(const ServerUrl &url, QString *error);
    // Whether a server's failure is its own answer (a password, a database or a right refused,
    // a statement cancelled) rather than none: libpq gives the server's words with their
    // severity, and its own (refused, timed out, closed) without.
    static bool serverAnswered(const QString &error);
    ~HistoryDb();
    HistoryDb(const HistoryDb &) = delete;
    HistoryDb &operator=(const HistoryDb &) = delete;

    // "the local file /home/qa/.local/share/.../history.sqlite", "postgresql://qa@db:5432/h".
    QString name() const;
    bool isLocal() const;

    // The run with its steps and measurements, in one transaction. A run whose id is there
    // already is stored once: storing it again changes nothing and succeeds. In the local
    // file the run waits for `server` (ServerUrl::shown()), or with none for whichever server
    // the settings name when it goes up.
    bool store(const records::RunRecord &run, QString *error, const QString &server = {});

    // A read that fails answers nothing, with its reason in lastError(); one that works
    // leaves lastError() empty.
    // Newest first.
    std::vector<RunRow> runs(const RunFilter &filter, int limit, int offset) const;
    // The same from just after `after` on: pages that stay apart while runs come in.
    std::vector<RunRow> runsAfter(const RunFilter &filter, int limit,
                                  const std::optional<RunRow> &after) const;
    int count(const RunFilter &filter) const;
    std::vector<figures::YieldRun> yieldRuns(const RunFilter &filter) const;
    std::optional<QByteArray> reportJson(const QString &id) const;

    // The local file's runs waiting for `server`, oldest first, with those kept for no
    // server in particular when `orUnnamed`; and marking one as up.
    std::vector<QString> waitingIds(const QString &server, bool orUnnamed) const;
    int waitingCount(const QString &server, bool orUnnamed) const;
    std::optional<records::RunRecord> load(const QString &id) const;
    bool markUploaded(const QString &id, QString *error);

    QString lastError() const;

private:
    struct Connection;
    explicit HistoryDb(std::unique_ptr<Connection> connection);
    std::vector<RunRow> rows(const QString &sql, const QVariantList &values) const;
    std::unique_ptr<Connection> db;
};
