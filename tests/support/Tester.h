#pragma once

#include "FakeComm.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

// The real window on the fake serial component, with the poll timer stopped so
// that tests tick it by hand.
struct Tester {
    FakeComm comm;
    frmMain window{comm};

    Tester() { child<QTimer>("pollTimer")->stop(); }

    template <typename T> T *child(const QString &name) const
    {
        auto *found = window.findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QLineEdit *field(const QString &name) const { return child<QLineEdit>(name); }
    QString tx() const { return field("txtTX")->text(); }
    QString rx() const { return child<QPlainTextEdit>("txtRX")->toPlainText(); }
    QString analog(int r) const { return field(QStringLiteral("txtAn(%1)").arg(r))->text(); }
    Shape *shape(const char *array, int index) const
    {
        return child<Shape>(QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index));
    }
    void click(const char *array, int index) const
    {
        QTest::mouseClick(
            child<QPushButton>(QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index)),
            Qt::LeftButton);
    }
    // Replaces the field's text the way a user does: select all, then type.
    void type(const QString &name, const QString &keys) const
    {
        QLineEdit *edit = field(name);
        edit->selectAll();
        QTest::keyClicks(edit, keys);
    }
    // Takes what went out since the last call.
    QByteArray sent()
    {
        QByteArray out = comm.written;
        comm.written.clear();
        return out;
    }
};
