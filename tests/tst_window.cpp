// The window as a user meets it: the settings fields, opening the port and the
// layout facts that can break.
#include "BoxCatcher.h"
#include "Cases.h"
#include "ComPortNames.h"
#include "FakeComm.h"
#include "Frames.h"
#include "Tester.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QtTest>

namespace {

const struct {
    const char *name, *field;
    QString text;
    const char *shown;
    int value;
} FieldCases[] = {
    {"port 12", "txtPort", "12", "12", 12},
    {"port 0", "txtPort", "0", "1", 1},
    {"port 75", "txtPort", "75", "50", 50},
    {"port 2.5", "txtPort", "2.5", "2.5", 2},
    {"port 3.5", "txtPort", "3.5", "3.5", 4},
    {"port blanks, then 7x", "txtPort", "  7x", "  7x", 7},
    {"port 4d1", "txtPort", "4d1", "4d1", 40},
    {"port 1e9", "txtPort", "1e9", "50", 50},
    {"port 300 digits", "txtPort", QString(300, QLatin1Char('7')), "50", 50},
    {"port 400 digits, past a double", "txtPort", QString(400, QLatin1Char('9')), "50", 50},
    {"port 1e400", "txtPort", "1e400", "50", 50},
    {"port 5.", "txtPort", "5.", "5.", 5},
    {"port .5e1", "txtPort", ".5e1", ".5e1", 5},
    {"address -1e400", "txtAddr", "-1e400", "0", 0},
    {"address -3", "txtAddr", "-3", "0", 0},
    {"address 150", "txtAddr", "150", "99", 99},
    {"address 99.6", "txtAddr", "99.6", "99", 99},
    {"address 2.5", "txtAddr", "2.5", "2.5", 2},
    {"address empty", "txtAddr", "", "", 0},
};

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    // A field's value is its leading number: clamped while it is typed (COM Port 1 to 50,
    // Address 0 to 99), rounded half to even when it is used. A new COM Port opens its port; a
    // new address goes out in the next request and leaves the port alone.
    void fieldsTakeTheirLeadingNumber_data() { addCaseRows(FieldCases); }
    void fieldsTakeTheirLeadingNumber()
    {
        const auto &[name, field, text, shown, value] = fetchCase(FieldCases);
        LoadedTester<FakeComm> t;
        t.field(field)->setText(text); // as a paste does
        QCOMPARE(t.field(field)->text(), shown);
        QVERIFY(t.comm.PortOpen());
        if (field == QLatin1String("txtPort")) {
            QCOMPARE(t.comm.CommPort(), value);
            return;
        }
        t.window.pollTimer_Timer();
        QCOMPARE(int(quint8(t.sent().at(0))), value);
        QCOMPARE(t.comm.events, QStringList{"open 1"});
    }

    // Every keystroke reopens the port; a clamp reopens it once more.
    void everyKeystrokeReopensThePort()
    {
        LoadedTester<FakeComm> t;
        t.type("txtPort", "75");
        QCOMPARE(t.comm.events, (QStringList{"open 1", "close", "open 7", "close", "open 50",
                                             "close", "open 50"}));
    }

    void failingOpenShowsABoxAndTheTesterGoesOn()
    {
        LoadedTester<FakeComm> t;
        t.comm.failingPorts = {2, 23};
        t.comm.failureReason = "Permission denied";
        BoxCatcher catcher;
        t.type("txtPort", "23");
        QCOMPARE(catcher.boxes.size(), 2);
        const BoxCatcher::Box &box = catcher.boxes[1];
        QCOMPARE(QStringList({catcher.boxes[0].text, box.title, box.text, box.details}),
                 QStringList({"Unable to open Com Port 2", "RZM-530 Tester",
                              "Unable to open Com Port 23", "fake:COM23: Permission denied"}));
        QVERIFY(box.icon == QMessageBox::NoIcon && box.buttons == QList{QMessageBox::Ok});
        QVERIFY(!t.comm.PortOpen());

        t.window.pollTimer_Timer(); // a closed port sends and echoes nothing
        QCOMPARE(t.tx(), QString());
        t.type("txtPort", "3");
        QVERIFY(t.comm.PortOpen());
        QCOMPARE(catcher.boxes.size(), 2);
    }

    // Beside the address: nothing before the first request, then how the latest
    // transaction went; a broadcast, which nobody answers, changes nothing. A port that
    // cannot be opened shows "Port closed" (tst_line_status).
    void linkStatusTellsHowTheLatestTransactionWent()
    {
        Tester<FakeComm> t;
        const QLabel *status = t.child<QLabel>("lblStatus");
        t.window.Form_Load();
        QCOMPARE(status->text(), QString());
        t.window.pollTimer_Timer();
        t.comm.inject(Frames::withCrc(Frames::hex("01 01 01 05"))); // complete: it ends the read
        QCOMPARE(status->text(), "OK 0 ms");
        t.click("btnON", 0);
        t.session.tap().monitor().closeNow(); // the turnaround is over
        QCOMPARE(status->text(), "OK 0 ms");
        t.click("btnON", 1);
        t.session.tap().monitor().closeNow();
        QCOMPARE(status->text(), "No reply");
    }

    void comNumbersFollowTheDeviceOrder()
    {
        const QStringList system{"/dev/ttyUSB1", "/dev/ttyS10",  "/dev/ttyS2", "/dev/ttyACM0",
                                 "/dev/ttyUSB0", "/dev/ttyAMA0", "/dev/ttyS2", "/dev/rfcomm0"};
        QCOMPARE(ComPortNames::comOrder(system),
                 (QStringList{"/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyUSB1",
                              "/dev/ttyACM0"}));
    }

    void lampsStartRedAndPaintTheirColour()
    {
        Tester<FakeComm> t;
        QCOMPARE(t.lamps("Shape1", 8) + t.lamps("Shape2", 4), "RRRRRRRRRRRR");
        const QImage lamp = t.shape("Shape1", 1)->grab().toImage();
        QCOMPARE(lamp.pixelColor(lamp.width() / 2, lamp.height() / 2), QColor(Qt::red));
        QCOMPARE(lamp.pixelColor(0, 0), QColor(Qt::black)); // the thin border
    }

    void everyCaptionFitsItsControl()
    {
        Tester<FakeComm> t;
        const auto fits = [](const QWidget *w, const QString &text, int room) {
            QVERIFY2(w->fontMetrics().horizontalAdvance(text) <= room, qPrintable(text));
        };
        for (const QLabel *l : t.window.findChildren<QLabel *>())
            fits(l, l->text(), l->width());
        for (const QPushButton *b : t.window.findChildren<QPushButton *>())
            fits(b, b->text(), b->width() - 6);
        for (const QGroupBox *g : t.window.findChildren<QGroupBox *>())
            fits(g, g->title(), g->width() - 16);
        const QCheckBox *poll = t.child<QCheckBox>("chkPoll");
        fits(poll, poll->text(), poll->width() - 20);
        for (const QLineEdit *e : t.window.findChildren<QLineEdit *>())
            QVERIFY(e->fontMetrics().height() <= e->height() - 4);
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
