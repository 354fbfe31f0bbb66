#pragma once

#include "LineSession.h"
#include "Shape.h"
#include "ShownWindow.h"
#include "frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QtPlugin>

#include <utility>

// The window's tools linked in, where the tester loads them as a module: tests reach the tools'
// own classes in the windows they open.
Q_IMPORT_PLUGIN(ToolsEntry)

// The real window on a serial component, read and driven through its controls,
// found by name. The poll timer is stopped: tests tick it by hand.
template <typename Comm> struct Tester {
    Comm comm;
    LineSession session{comm};
    frmMain window{session};

    Tester() { pollTimer()->stop(); }

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
    QString analog(int r) const { return field(QString::asprintf("txtAn(%d)", r))->text(); }
    QTimer *pollTimer() const { return child<QTimer>("pollTimer"); }
    Shape *shape(const char *array, int i) const
    {
        return child<Shape>(QString::asprintf("%s(%d)", array, i));
    }
    // Lamps 1 to `count` as letters: "GRRG" for green, red, red, green; '?' for any other.
    QString lamps(const char *array, int count) const
    {
        QString out;
        for (int i = 1; i <= count; ++i) {
            const std::uint32_t colour = shape(array, i)->fillColor();
            out += colour == 0x00FF00 ? 'G' : colour == 0x0000FF ? 'R' : '?';
        }
        return out;
    }

    void click(const char *array, int i) const
    {
        QTest::mouseClick(child<QPushButton>(QString::asprintf("%s(%d)", array, i)),
                          Qt::LeftButton);
    }
    // Replaces the field's text the way a user does: select all, then type.
    void type(const QString &name, const QString &keys) const
    {
        field(name)->selectAll();
        QTest::keyClicks(field(name), keys);
    }
    // Types the COM Port and waits until its port opens, as one over TCP does a moment later.
    bool typePort(int number)
    {
        type("txtPort", QString::number(number));
        return QTest::qWaitFor([&] { return comm.PortOpen(); }, 3000);
    }
    // Takes what went out since the last call (on the fake component).
    QByteArray sent() { return std::exchange(comm.written, {}); }
};

// The window as the program leaves it on starting: loaded, with the port open.
template <typename Comm> struct LoadedTester : Tester<Comm> {
    LoadedTester() { this->window.Form_Load(); }
};
