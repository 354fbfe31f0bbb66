#pragma once

#include <QString>

// The numeric value of a settings field: the value of its leading number.
namespace FieldValue {

double valueOf(const QString &text);

// Nearest whole number, halves to the even neighbour; saturates at the int range.
int roundHalfEven(double value);

inline int roundedValueOf(const QString &text)
{
    return roundHalfEven(valueOf(text));
}

} // namespace FieldValue
