#pragma once

#include "HistoryDb.h"

#include <QString>
#include <QVariantList>

// The filter as a WHERE clause (or nothing), its values appended to `values` in the order of
// its placeholders. The serial number is matched in any case on the server, and as SQLite's
// LIKE does (ASCII in any case) in the local file.
QString whereClause(const RunFilter &filter, bool local, QVariantList &values);
