#include "StoredTime.h"

#include <cstdint>

namespace {

std::int64_t msOf(line::WallTime t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

// Days from 1970-01-01 to a date of the Gregorian calendar.
std::int64_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = int(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

QString storedTime(line::WallTime t)
{
    return QDateTime::fromMSecsSinceEpoch(msOf(t), Qt::UTC).toString(Qt::ISODateWithMs);
}

// Read by hand: a year's runs are read at a time, and QDateTime's parser is slow for that.
line::WallTime wallTimeOf(const QString &stored)
{
    if (stored.size() != 24 || stored[10] != 'T' || stored[23] != 'Z')
        return {};
    const auto number = [&](int at, int length) {
        int n = 0;
        for (int i = at; i < at + length; ++i)
            n = n * 10 + (stored[i].unicode() - '0');
        return n;
    };
    const std::int64_t days = daysFromCivil(number(0, 4), number(5, 2), number(8, 2));
    const std::int64_t seconds =
        days * 86400 + number(11, 2) * 3600 + number(14, 2) * 60 + number(17, 2);
    return line::WallTime(std::chrono::milliseconds(seconds * 1000 + number(20, 3)));
}

QDateTime dateTimeOf(const QString &stored)
{
    return QDateTime::fromMSecsSinceEpoch(msOf(wallTimeOf(stored)), Qt::UTC);
}

line::WallTime localDayStart(QDate day)
{
    return line::WallTime(std::chrono::milliseconds(day.startOfDay().toMSecsSinceEpoch()));
}
