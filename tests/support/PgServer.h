#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>

// The real PostgreSQL server CTest starts for the history's tests (tests/support/pg-server.sh),
// trusting loopback: a fresh database for each test, reached as its owner or by URL.
struct PgServer {
    QString port;

    // Call from initTestCase: skips without a server, or fails where CI asks for one.
    void find()
    {
        QFile file(QStringLiteral(RZM530_PG_DIR) + "/port");
        if (!file.open(QIODevice::ReadOnly)) {
            if (qEnvironmentVariableIsSet("RZM530_NEED_SERVER"))
                QFAIL("no PostgreSQL server for the history's tests");
            QSKIP("PostgreSQL's programs are not installed (package postgresql): no server");
        }
        port = QString::fromLatin1(file.readAll().trimmed());
    }

    // Runs the server script ("start", "stop"); false when it failed.
    static bool command(const char *command)
    {
        QProcess script;
        script.start(RZM530_PG_SERVER, {command, RZM530_PG_DIR});
        return script.waitForFinished(60000) && script.exitCode() == 0;
    }

    // The server's owner on `database`, on a connection of that name.
    QSqlDatabase owner(const QString &connection, const QString &database) const
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", connection);
        db.setHostName("127.0.0.1");
        db.setPort(port.toInt());
        db.setUserName("postgres");
        db.setDatabaseName(database);
        return db;
    }

    // Each statement as the owner, on `database`; false at the first that fails. What the last
    // one read first goes to `read`.
    bool run(const QString &database, const QStringList &statements, QVariant *read = nullptr) const
    {
        bool done = true;
        {
            QSqlDatabase db = owner("owner", database);
            QSqlQuery query(db);
            for (const QString &sql : statements)
                done = done && db.open() && query.exec(sql);
            if (read)
                *read = done && query.next() ? query.value(0) : QVariant();
        }
        QSqlDatabase::removeDatabase("owner");
        return done;
    }

    // `name` made afresh; its URL, with `password` as a user would type it.
    QString freshDatabase(const QString &name, const QString &password = "s3cret-word") const
    {
        if (!run("postgres",
                 {"DROP DATABASE IF EXISTS " + name + " WITH (FORCE)", "CREATE DATABASE " + name}))
            return {};
        return QString("postgresql://postgres:%1@127.0.0.1:%2/%3").arg(password, port, name);
    }
    // `name` made afresh; its URL as --db takes it, without a password.
    QString freshUrl(const QString &name) const
    {
        return freshDatabase(name).replace(":s3cret-word@", "@");
    }
};

// A lock the owner holds on a connection of its own, taken by `statement` in a transaction, until
// this goes; and a server that took a statement and stopped answering: the first backend to
// queue for the lock stopped (SIGSTOP) until then.
struct HeldLock {
    QSqlDatabase locker;
    QSqlQuery query;
    int pid = 0;

    HeldLock(const PgServer &pg, const QString &database, const QString &statement)
        : locker(pg.owner("locker", database)), query(locker)
    {
        QVERIFY(locker.open() && query.exec("BEGIN") && query.exec(statement));
    }
    ~HeldLock()
    {
        if (pid)
            ::kill(pid, SIGCONT);
        query = QSqlQuery();
        locker = QSqlDatabase();
        QSqlDatabase::removeDatabase("locker");
    }
    // Whether one queued within `ms` and is stopped.
    bool stopTheNext(int ms = 3000)
    {
        QElapsedTimer took;
        took.start();
        while (!pid && took.elapsed() < ms)
            if (query.exec("SELECT pid FROM pg_locks WHERE NOT granted") && query.next() &&
                ::kill(query.value(0).toInt(), SIGSTOP) == 0)
                pid = query.value(0).toInt();
        return pid != 0;
    }
};
