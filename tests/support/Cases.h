#pragma once

#include <QtTest>

#include <cstddef>

// A table of cases, one struct a row: each row is named by its case's `name`, and the test
// takes the whole case at once rather than a column at a time.
template <typename Case, std::size_t N> void addCaseRows(const Case (&cases)[N])
{
    QTest::addColumn<int>("index");
    for (std::size_t i = 0; i < N; ++i)
        QTest::newRow(cases[i].name) << int(i);
}

template <typename Case, std::size_t N> const Case &fetchCase(const Case (&cases)[N])
{
    QFETCH(int, index);
    return cases[index];
}

// Options as a table writes them: words split at spaces.
inline QStringList words(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}
