#pragma once

#include "HistoryDb.h"
#include "HistoryRuns.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

// A local file of `runs` runs waiting for `server`, with garbage over the middle leaf page of
// the runs and of the yield's index: reads of it end part way, on a fault.
inline bool damagedHistory(const QString &path, const QString &server, int runs = 300)
{
    using namespace std::chrono_literals;
    {
        const auto db = HistoryDb::openLocal(path, nullptr);
        for (int n = 0; n < runs; ++n)
            if (!db || !db->store(historyRun(std::to_string(1000 + n), "SN",
                                             line::WallTime(1796652201s) + n * 1min),
                                  nullptr, server))
                return false;
    }
    bool damaged = true;
    {
        QFile file(path);
        QSqlDatabase sqlite = QSqlDatabase::addDatabase("QSQLITE", "damage");
        sqlite.setDatabaseName(path);
        QSqlQuery page(sqlite);
        for (const char *name : {"runs", "runs_started"})
            damaged = damaged && sqlite.open() &&
                      (file.isOpen() || file.open(QIODevice::ReadWrite)) &&
                      page.exec(QString("SELECT pageno FROM dbstat WHERE name = '%1' AND pagetype"
                                        " = 'leaf' LIMIT 1 OFFSET (SELECT COUNT(*) / 2 FROM "
                                        "dbstat WHERE name = '%1')")
                                    .arg(name)) &&
                      page.next() && file.seek((page.value(0).toInt() - 1) * 4096) &&
                      file.write(QByteArray(4096, char(0xA5))) && file.flush();
    }
    QSqlDatabase::removeDatabase("damage");
    return damaged;
}

// A local file that is no database at all, its folder made: it refuses every run.
inline bool refusingFile(const QString &path)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(QByteArray(8192, 'x')) == 8192;
}
