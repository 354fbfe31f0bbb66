#pragma once

#include <QFont>

// The tester's font: narrow enough for every caption at the sizes the layout
// gives, on Linux (Liberation Sans) and Windows (Arial) alike.
inline QFont testerFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    font.setStretch(92);
    return font;
}
