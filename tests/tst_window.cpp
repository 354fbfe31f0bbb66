// The window as a user meets it: the settings fields, port handling and the
// layout facts that can break.
#include "BoxCatcher.h"
#include "ComPortNames.h"
#include "FieldValue.h"
#include "Tester.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QtTest>

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    // --- field rules -------------------------------------------------------

    void fieldValueReadsTheLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "12" << 12.0;
        QTest::newRow("leading blanks") << "  \t7x" << 7.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters only") << "abc" << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("fraction") << "2.75kg" << 2.75;
        QTest::newRow("negative") << "-3" << -3.0;
        QTest::newRow("exponent") << "1e9" << 1e9;
        QTest::newRow("d exponent") << "4d2" << 400.0;
        QTest::newRow("dangling exponent") << "4e" << 4.0;
        QTest::newRow("exponent without digits") << "4e+x" << 4.0;
        QTest::newRow("letters after digit") << "4abc" << 4.0;
        QTest::newRow("no blanks inside") << "1 2" << 1.0;
        QTest::newRow("no hex prefix") << "&H10" << 0.0;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("huge") << "99999999999" << 99999999999.0;
        QTest::newRow("overflow") << "9e99999999999999" << qInf();
        QTest::newRow("underflow") << "9e-99999999999999" << 0.0;
        QTest::newRow("300 digits") << QString(300, QLatin1Char('9')) << 1e300;
    }

    void fieldValueReadsTheLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        const double got = FieldValue::valueOf(text);
        if (qIsInf(value))
            QVERIFY(qIsInf(got) && got > 0);
        else
            QVERIFY2(qAbs(got - value) <= qAbs(value) * 1e-12, qPrintable(QString::number(got)));
    }

    void roundingGoesToEvenOnHalves()
    {
        QCOMPARE(FieldValue::roundHalfEven(2.5), 2);
        QCOMPARE(FieldValue::roundHalfEven(3.5), 4);
        QCOMPARE(FieldValue::roundHalfEven(-0.5), 0);
        QCOMPARE(FieldValue::roundHalfEven(2.51), 3);
        QCOMPARE(FieldValue::roundHalfEven(qInf()), std::numeric_limits<int>::max());
        QCOMPARE(FieldValue::roundHalfEven(-qInf()), std::numeric_limits<int>::min());
    }

    void comPortKeystrokesReopenThePort_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("finalText");
        QTest::addColumn<QStringList>("events");
        const QStringList reopen1{"close", "open 1", "close", "open 1"};
        QTest::newRow("0 becomes 1, opened twice") << "0"
                                                   << "1" << reopen1;
        QTest::newRow("12 opens 1 then 12")
            << "12"
            << "12" << QStringList{"close", "open 1", "close", "open 12"};
        QTest::newRow("75 becomes 50")
            << "75"
            << "50" << QStringList{"close", "open 7", "close", "open 50", "close", "open 50"};
        QTest::newRow("4 and letters stays")
            << "4xyz"
            << "4xyz" << QStringList{"close", "open 4", "close", "open 4",
                                     "close", "open 4", "close", "open 4"};
        QTest::newRow("2.5 opens 2")
            << "2.5"
            << "2.5" << QStringList{"close", "open 2", "close", "open 2", "close", "open 2"};
        QTest::newRow("3.5 opens 4")
            << "3.5"
            << "3.5" << QStringList{"close", "open 3", "close", "open 3", "close", "open 4"};
        QTest::newRow("1e9 becomes 50")
            << "1e9"
            << "50" << QStringList{"close", "open 1",  "close", "open 1",
                                   "close", "open 50", "close", "open 50"};
    }

    void comPortKeystrokesReopenThePort()
    {
        QFETCH(QString, keys);
        QFETCH(QString, finalText);
        QFETCH(QStringList, events);
        Tester t;
        t.window.Form_Load();
        QCOMPARE(t.comm.events, QStringList{"open 1"});
        t.comm.events.clear();
        t.type("txtPort", keys);
        QCOMPARE(t.field("txtPort")->text(), finalText);
        QCOMPARE(t.comm.events, events);
        QVERIFY(t.comm.PortOpen());
    }

    void emptyComPortBecomes1()
    {
        Tester t;
        t.window.Form_Load();
        t.comm.events.clear();
        QTest::keyClick(t.field("txtPort"), Qt::Key_Backspace);
        QCOMPARE(t.field("txtPort")->text(), QStringLiteral("1"));
        QCOMPARE(t.comm.events, (QStringList{"close", "open 1", "close", "open 1"}));
    }

    void oddComPortTextsAreClamped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("finalText");
        QTest::addColumn<int>("port");
        QTest::newRow("eleven nines") << "99999999999"
                                      << "50" << 50;
        QTest::newRow("300 digit paste") << QString(300, QLatin1Char('7')) << "50" << 50;
        QTest::newRow("-0") << "-0"
                            << "1" << 1;
        QTest::newRow("blanks then 7x") << "  7x"
                                        << "  7x" << 7;
        QTest::newRow("0.4") << "0.4"
                             << "1" << 1;
        QTest::newRow("50.4") << "50.4"
                              << "50" << 50;
    }

    void oddComPortTextsAreClamped()
    {
        QFETCH(QString, text);
        QFETCH(QString, finalText);
        QFETCH(int, port);
        Tester t;
        t.window.Form_Load();
        t.field("txtPort")->setText(text); // as a paste does
        QCOMPARE(t.field("txtPort")->text(), finalText);
        QCOMPARE(t.comm.CommPort(), port);
        QVERIFY(t.comm.PortOpen());
    }

    void addressIsClampedAndNeverTouchesThePort_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("finalText");
        QTest::newRow("-3 becomes 0") << "-3"
                                      << "0";
        QTest::newRow("150 becomes 99") << "150"
                                        << "99";
        QTest::newRow("99.6 becomes 99") << "99.6"
                                         << "99";
        QTest::newRow("-0 stays") << "-0"
                                  << "-0";
        QTest::newRow("1e9 becomes 99") << "1e9"
                                        << "99";
        QTest::newRow("letters stay") << "ab"
                                      << "ab";
    }

    void addressIsClampedAndNeverTouchesThePort()
    {
        QFETCH(QString, keys);
        QFETCH(QString, finalText);
        Tester t;
        t.window.Form_Load();
        t.comm.events.clear();
        t.type("txtAddr", keys);
        QCOMPARE(t.field("txtAddr")->text(), finalText);
        QVERIFY(t.comm.events.isEmpty());
    }

    void emptyAddressMeansAddress0()
    {
        Tester t;
        t.window.Form_Load();
        QTest::keyClick(t.field("txtAddr"), Qt::Key_Backspace);
        QCOMPARE(t.field("txtAddr")->text(), QString());
        t.window.pollTimer_Timer();
        QVERIFY(t.tx().startsWith(QStringLiteral("[00][01]")));
    }

    // --- port handling -----------------------------------------------------

    void failingOpenAtStartShowsTheBoxBeforeTheWindow()
    {
        Tester t;
        t.comm.failingPorts = {1};
        t.comm.failureReason = QStringLiteral("Permission denied");
        BoxCatcher catcher(&t.window);
        t.window.Form_Load();
        QCOMPARE(catcher.boxes.size(), 1);
        const auto &box = catcher.boxes.front();
        QCOMPARE(box.title, QStringLiteral("RZM-530 Tester"));
        QCOMPARE(box.text, QStringLiteral("Unable to open Com Port 1"));
        QVERIFY(box.details.contains(QStringLiteral("fake:COM1")));
        QVERIFY(box.details.contains(QStringLiteral("Permission denied")));
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
        QVERIFY(!box.windowVisible);
        QVERIFY(!t.comm.PortOpen());
    }

    void everyFailingOpenShowsItsNumber()
    {
        Tester t;
        t.window.Form_Load();
        t.comm.failingPorts = {2, 23};
        BoxCatcher catcher;
        t.type("txtPort", QStringLiteral("23"));
        QCOMPARE(catcher.boxes.size(), 2);
        QCOMPARE(catcher.boxes[0].text, QStringLiteral("Unable to open Com Port 2"));
        QCOMPARE(catcher.boxes[1].text, QStringLiteral("Unable to open Com Port 23"));
        QVERIFY(!t.comm.PortOpen());

        // A closed port sends nothing and the program goes on.
        t.window.pollTimer_Timer();
        QVERIFY(t.comm.written.isEmpty());
        QCOMPARE(t.tx(), QString());
        t.type("txtPort", QStringLiteral("3"));
        QVERIFY(t.comm.PortOpen());
        QCOMPARE(catcher.boxes.size(), 2);
    }

    void portTooltipNamesTheDevice()
    {
        Tester t;
        t.window.Form_Load();
        t.type("txtPort", QStringLiteral("7"));
        QVERIFY(t.field("txtPort")->toolTip().contains(QStringLiteral("fake:COM7")));
        t.comm.loseConnection(QStringLiteral("Resource error"));
        QVERIFY(t.field("txtPort")->toolTip().contains(QStringLiteral("lost")));
    }

    void comNumbersFollowTheDeviceOrder()
    {
        const QStringList system{"/dev/ttyUSB1", "/dev/ttyS10",  "/dev/ttyS2", "/dev/ttyACM0",
                                 "/dev/ttyUSB0", "/dev/ttyAMA0", "/dev/ttyS2", "/dev/rfcomm0"};
        QCOMPARE(ComPortNames::comOrder(system),
                 (QStringList{"/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyUSB1",
                              "/dev/ttyACM0"}));
        qputenv(ComPortNames::DirVariable, "/tmp/lines");
        QCOMPARE(ComPortNames::devicePath(12), QStringLiteral("/tmp/lines/COM12"));
        qunsetenv(ComPortNames::DirVariable);
    }

    // --- layout ------------------------------------------------------------

    void windowAndFramesStandWhereTheyBelong()
    {
        Tester t;
        QCOMPARE(t.window.windowTitle(), QStringLiteral("RZM-530 Tester"));
        QCOMPARE(t.window.size(), QSize(425, 434));
        QCOMPARE(t.child<QGroupBox>("Frame2")->geometry(), QRect(272, 192, 145, 201));
        QCOMPARE(t.child<QGroupBox>("Frame3")->title(), QStringLiteral("Digital Inputs"));
        QCOMPARE(t.shape("Shape1", 3)->geometry(), QRect(32, 80, 25, 17));
        QCOMPARE(t.shape("Shape1", 3)->parentWidget()->objectName(), QStringLiteral("Frame2"));
        QCOMPARE(t.shape("Shape2", 4)->geometry(), QRect(152, 48, 25, 17));
        QCOMPARE(t.child<QLabel>("Label3(9)")->text(), QStringLiteral("4"));
        QCOMPARE(t.child<QLabel>("Label3(12)")->text(), QStringLiteral("1"));
        QCOMPARE(t.child<QLabel>("Label10")->text(), QStringLiteral("www.example.com"));
        QVERIFY(!t.window.findChild<Shape *>(QStringLiteral("Shape1(0)")));
    }

    void everythingStartsRedAndEmpty()
    {
        Tester t;
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(t.shape("Shape1", n)->fillColor(), 0x0000FFu);
        for (int c = 1; c <= 4; ++c)
            QCOMPARE(t.shape("Shape2", c)->fillColor(), 0x0000FFu);
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(t.shape("Shape4", r)->fillColor(), 0x0000FFu);
            QCOMPARE(t.shape("Shape4", r)->geometry(), t.shape("Shape3", r)->geometry());
            QCOMPARE(t.analog(r), QStringLiteral("0"));
        }
        QCOMPARE(t.tx(), QString());
        QCOMPARE(t.rx(), QString());
        QVERIFY(t.child<QCheckBox>("chkPoll")->isChecked());
        QCOMPARE(t.field("txtPort")->text(), QStringLiteral("1"));
        QCOMPARE(t.field("txtAddr")->text(), QStringLiteral("1"));
        QVERIFY(t.field("txtTX")->isReadOnly());
        QVERIFY(t.child<QPlainTextEdit>("txtRX")->isReadOnly());
    }

    void lampsPaintTheirExactColours()
    {
        Tester t;
        const QImage image = t.shape("Shape1", 1)->grab().toImage();
        QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black)); // the thin border
    }

    void focusMovesInTheListedOrder()
    {
        Tester t;
        QStringList order;
        QWidget *w = t.field("txtAddr");
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                order.append(w->objectName());
            w = w->nextInFocusChain();
        } while (w != t.field("txtAddr"));
        QStringList expected{"txtAddr", "txtPort"};
        for (int k = 0; k <= 6; ++k)
            expected << QStringLiteral("btnON(%1)").arg(k);
        for (int k = 0; k <= 6; ++k)
            expected << QStringLiteral("btnOFF(%1)").arg(k);
        expected << "txtTX"
                 << "txtRX"
                 << "txtAn(0)"
                 << "txtAn(1)"
                 << "txtAn(2)"
                 << "btnOFF(7)"
                 << "btnON(7)"
                 << "btnOFF(8)"
                 << "btnON(8)"
                 << "chkPoll";
        QCOMPARE(order, expected);
    }

    void focusStartsInTheAddressField()
    {
        Tester t;
        t.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&t.window));
        QCOMPARE(QApplication::focusWidget(), t.field("txtAddr"));
    }

    void everyCaptionFitsItsControl()
    {
        Tester t;
        const auto fits = [](const QWidget *w, const QString &text, int room) {
            const int needed = w->fontMetrics().horizontalAdvance(text);
            QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                                                    .arg(w->objectName(), text)
                                                    .arg(needed)
                                                    .arg(room)));
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
