#pragma once

#include "HistoryDb.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// One named Qt SQL connection and the way every statement of the history goes through it:
// values bound, failures kept as the last error with any password scrubbed out.
struct HistoryDb::Connection {
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QString connection;
    bool local = true;
    QString name;
    QString password; // kept out of every message
    mutable QString lastError;

    QSqlDatabase database() const { return QSqlDatabase::database(connection, false); }

    QString scrubbed(QString message) const;
    bool fail(const QString &message, QString *error) const;
    bool fail(const QSqlQuery &query, QString *error) const;
    // One statement with its values bound in order; the query is ready to read.
    bool exec(QSqlQuery &query, const QString &sql, const QVariantList &values,
              QString *error = nullptr) const;
    bool exec(const QString &sql, const QVariantList &values, QString *error) const;
    // A read: its failure is the last error, and a read that works clears it, so that an
    // empty answer can be told from a refused one.
    bool read(QSqlQuery &query, const QString &sql, const QVariantList &values) const;
    // After the last row: false, with the last error, when the rows ended on a fault (a page
    // of the file damaged, the server gone) rather than at their end.
    bool readToTheEnd(const QSqlQuery &query) const;
    bool begin(QString *error) const;
    void rollback() const;
};

// The database's own words for a failure, without Qt's "Unable to fetch row" beside them.
QString errorText(const QSqlError &error);
