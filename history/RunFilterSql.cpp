// A run filter as SQL: its WHERE clause and the values bound to it.
#include "RunFilterSql.h"

#include "StoredTime.h"

#include <QStringList>

namespace {

// "Part of the serial number", with LIKE's own characters taken as they are.
QString containing(QString part)
{
    part.replace('!', "!!").replace('%', "!%").replace('_', "!_");
    return '%' + part + '%';
}

} // namespace

QString whereClause(const RunFilter &f, bool local, QVariantList &values)
{
    QStringList terms;
    if (!f.serial.isEmpty()) {
        terms << (local ? "serial LIKE ? ESCAPE '!'" : "serial ILIKE ? ESCAPE '!'");
        values << containing(f.serial);
    }
    if (f.since) {
        terms << "started >= ?";
        values << storedTime(localDayStart(*f.since));
    }
    if (f.until) {
        terms << "started < ?";
        values << storedTime(localDayStart(f.until->addDays(1)));
    }
    if (f.outcome) {
        terms << "outcome = ?";
        values << QString::fromLatin1(procedures::outcomeWord(*f.outcome));
    }
    if (!f.operatorName.isEmpty()) {
        terms << "operator = ?";
        values << f.operatorName;
    }
    if (!f.station.isEmpty()) {
        terms << "station = ?";
        values << f.station;
    }
    return terms.isEmpty() ? QString() : " WHERE " + terms.join(" AND ");
}
