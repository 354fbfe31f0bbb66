#pragma once

#include <QString>

// The history's settings and the local file's place, as the tester and rzm530-cli both find
// them: the same organisation and application names, so the same file and the same settings.

// The local SQLite file: <AppDataLocation>/history.sqlite.
QString localHistoryPath();

// What the user chose, remembered per user. The server is kept as ServerUrl::shown(): a
// password is never stored.
struct HistorySettings {
    QString station; // empty: the host name
    QString server;  // empty: no server, the local file only

    static HistorySettings load();
    void save() const;
    QString stationName() const; // station, or the host name
};
