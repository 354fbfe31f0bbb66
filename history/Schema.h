#pragma once

#include <QSqlDatabase>
#include <QString>

// The history's tables, the same in the local file and on the server, and the migrations that
// bring a database of any earlier version up to the current one.
namespace schema {

enum class Place { Local, Server };

// Brings the database to the current version in one transaction, or leaves it as it was and
// says why. Two stations migrating one server at once take turns.
bool migrate(QSqlDatabase &db, Place place, QString *error);

} // namespace schema
