#pragma once

#include <QTest>

#include <string>

// So that QCOMPARE shows both std::string values when they differ.
namespace QTest {
template <> inline char *toString(const std::string &text)
{
    return qstrdup(text.c_str());
}
} // namespace QTest
