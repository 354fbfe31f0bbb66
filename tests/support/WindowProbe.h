#pragma once

#include "Shape.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

// Reads and drives the tester window through its controls, found by name.
class WindowProbe {
public:
    explicit WindowProbe(const frmMain &window) : window(window) {}

    template <typename T> T *child(const QString &name) const
    {
        auto *found = window.findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QLineEdit *field(const QString &name) const { return child<QLineEdit>(name); }
    QString tx() const { return field(QStringLiteral("txtTX"))->text(); }
    QString rx() const { return child<QPlainTextEdit>(QStringLiteral("txtRX"))->toPlainText(); }
    QString analog(int r) const { return field(QStringLiteral("txtAn(%1)").arg(r))->text(); }
    QTimer *pollTimer() const { return child<QTimer>(QStringLiteral("pollTimer")); }

    Shape *shape(const char *array, int index) const { return child<Shape>(indexed(array, index)); }
    // Lamp colours as letters: "GRRG" for green, red, red, green; '?' for any other.
    QString lamps(const char *array, int first, int last) const
    {
        QString out;
        for (int i = first; i <= last; ++i) {
            const auto colour = shape(array, i)->fillColor();
            out += colour == 0x00FF00   ? QLatin1Char('G')
                   : colour == 0x0000FF ? QLatin1Char('R')
                                        : QLatin1Char('?');
        }
        return out;
    }

    void click(const char *array, int index) const
    {
        QTest::mouseClick(child<QPushButton>(indexed(array, index)), Qt::LeftButton);
    }
    // Replaces the field's text the way a user does: select all, then type.
    void type(const QString &name, const QString &keys) const
    {
        QLineEdit *edit = field(name);
        edit->selectAll();
        QTest::keyClicks(edit, keys);
    }

private:
    static QString indexed(const char *array, int index)
    {
        return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
    }

    const frmMain &window;
};
