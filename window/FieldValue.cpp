// How a field's text becomes a number:
//  - blanks (spaces and tabs) before the number are skipped;
//  - an optional sign, digits with at most one decimal point, and an optional
//    exponent: 'e', 'E', 'd' or 'D', an optional sign and at least one digit
//    ("4e2" is 400, "4e" and "4ex" are 4, "4d2" is 400);
//  - the number ends at the first character that cannot continue it; there
//    are no base prefixes and no blanks inside it;
//  - text without a leading number, such as "", "-", "." or "x1", is 0;
//  - a value too large for a double is infinite, one too small is 0, so the
//    field clamps catch "99999999999", "1e9" and a 300-digit paste alike.
#include "FieldValue.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace FieldValue {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

double valueOf(const QString &text)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;

    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }

    QString mantissa;
    bool anyDigit = false, seenPoint = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            anyDigit = true;
            mantissa.append(c);
        } else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
            mantissa.append(c);
        } else {
            break;
        }
    }
    if (!anyDigit)
        return 0.0;

    long long exponent = 0;
    if (i + 1 < n && QStringLiteral("eEdD").contains(text[i])) {
        int j = i + 1;
        bool negativeExponent = false;
        if (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')) {
            negativeExponent = text[j] == QLatin1Char('-');
            ++j;
        }
        if (j < n && isDigit(text[j])) {
            for (; j < n && isDigit(text[j]); ++j)
                if (exponent < 1'000'000) // far past any double; stops the count growing
                    exponent = exponent * 10 + (text[j].unicode() - '0');
            if (negativeExponent)
                exponent = -exponent;
        }
    }

    // Qt's reading: std::from_chars would page in three blocks of the C++ library's number code
    // and tables at start, Qt's a fifth of that (docs/measurements.md, "Footprint"). Out of
    // range, the value comes back infinite or 0 as the rule above wants (and ok false, unused).
    const double value =
        QLocale::c().toDouble(mantissa + QLatin1Char('e') + QString::number(exponent));
    return negative ? -value : value;
}

int roundHalfEven(double value)
{
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value); // default mode: to nearest, ties to even
    if (rounded <= lo)
        return std::numeric_limits<int>::min();
    if (rounded >= hi)
        return std::numeric_limits<int>::max();
    return static_cast<int>(rounded);
}

} // namespace FieldValue
