#pragma once

#include <QFont>
#include <QStaticText>
#include <QTransform>

// Plain text shaped once, for a font, to be drawn as often as it is shown.
inline QStaticText laidOutText(const QString &text, const QFont &font)
{
    QStaticText laid(text);
    laid.setTextFormat(Qt::PlainText);
    laid.prepare(QTransform(), font);
    return laid;
}
