// Relay buttons and the poll cycle through the real window, with the fake
// serial component playing a module.
#include "BoxCatcher.h"
#include "Frames.h"
#include "Tester.h"

#include <QCheckBox>
#include <QtTest>

using Frames::hex;
using Frames::withCrc;

namespace {

// What the module holds, and how it answers a request.
struct ModuleImage {
    int address = 1;
    std::array<bool, 8> coils{};
    std::array<quint16, 11> registers{};

    QByteArray replyTo(const QByteArray &request) const
    {
        if (request.size() < 8 || quint8(request[0]) != address)
            return {};
        QByteArray reply = request.left(2);
        switch (request[1]) {
        case 1: {
            char bits = 0;
            for (int k = 0; k < 8; ++k)
                bits = char(bits | (coils[std::size_t(k)] ? 1 << k : 0));
            reply += QByteArray(1, 1) + QByteArray(1, bits);
            break;
        }
        case 3:
            reply += QByteArray(1, char(2 * request[5]));
            for (int k = 0; k < request[5]; ++k)
                reply += QByteArray(1, char(registers[std::size_t(k)] >> 8)) +
                         QByteArray(1, char(registers[std::size_t(k)] & 0xFF));
            break;
        case 5:
            return request.left(8);
        default:
            return {};
        }
        return withCrc(reply);
    }
};

ModuleImage sampleModule()
{
    ModuleImage m;
    m.coils = {true, false, true, false, false, false, false, true};
    m.registers[4] = 1023; // analog inputs
    m.registers[5] = 512;
    m.registers[6] = 0;
    m.registers[7] = 1; // digital inputs
    m.registers[8] = 0;
    m.registers[9] = 5;
    m.registers[10] = 0;
    return m;
}

constexpr quint32 Green = 0x00FF00;

// One tick, answered by the module (when it has an answer).
void tickAnswered(Tester &t, const ModuleImage &module)
{
    t.window.pollTimer_Timer();
    const QByteArray reply = module.replyTo(t.sent());
    if (!reply.isEmpty())
        t.comm.inject(reply);
}

} // namespace

class PollTest : public QObject {
    Q_OBJECT
private slots:
    void firstTwoTicksWithNoModule()
    {
        Tester t;
        t.window.Form_Load();
        t.window.pollTimer_Timer();
        QCOMPARE(t.sent(), hex("01 01 00 00 00 08 3D CC"));
        QCOMPARE(t.tx(), QStringLiteral("[01][01][00][00][00][08][3D][CC]"));
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(t.analog(r), QStringLiteral("0"));
            QCOMPARE(t.shape("Shape4", r)->fillColor(), Green);
            QCOMPARE(t.shape("Shape4", r)->width(), 0);
        }
        QCOMPARE(t.lamps("Shape2", 1, 4), QStringLiteral("RRRR"));

        t.window.pollTimer_Timer();
        QCOMPARE(t.sent(), hex("01 03 00 00 00 0B 04 0D"));
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("RRRRRRRR"));
    }

    void moduleImageAppearsOnTheMatchingTicks()
    {
        Tester t;
        t.window.Form_Load();
        const ModuleImage module = sampleModule();

        tickAnswered(t, module); // reads coils
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("RRRRRRRR"));
        QCOMPARE(t.rx(), Frames::echo(module.replyTo(hex("01 01 00 00 00 08 3D CC"))));

        tickAnswered(t, module); // reads registers, shows the coils
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("GRGRRRRG"));
        QCOMPARE(t.analog(0), QStringLiteral("0"));
        QCOMPARE(t.lamps("Shape2", 1, 4), QStringLiteral("RRRR"));

        tickAnswered(t, module); // shows the registers
        QCOMPARE(t.analog(0), QStringLiteral("1023"));
        QCOMPARE(t.analog(1), QStringLiteral("512"));
        QCOMPARE(t.analog(2), QStringLiteral("0"));
        QCOMPARE(t.shape("Shape4", 0)->width(), t.shape("Shape3", 0)->width());
        QCOMPARE(t.shape("Shape4", 1)->width(), 89); // 512 / 1023 of 177 px
        QCOMPARE(t.shape("Shape4", 2)->width(), 0);
        QCOMPARE(t.shape("Shape4", 1)->x(), t.shape("Shape3", 1)->x());
        QCOMPARE(t.lamps("Shape2", 1, 4), QStringLiteral("GRGR"));
    }

    void barsNeverSpillPastTheirOutline()
    {
        Tester t;
        t.window.Form_Load();
        ModuleImage module;
        module.registers[4] = 1024;
        module.registers[5] = 65535;
        module.registers[6] = 40000;
        tickAnswered(t, module);
        tickAnswered(t, module);
        tickAnswered(t, module);
        QCOMPARE(t.analog(1), QStringLiteral("65535"));
        for (int r = 0; r < 3; ++r)
            QCOMPARE(t.shape("Shape4", r)->geometry(), t.shape("Shape3", r)->geometry());
    }

    void relayButtonsPutTheirFramesOnTheLine()
    {
        Tester t;
        t.window.Form_Load();
        t.click("btnON", 3);
        QCOMPARE(t.sent(), hex("01 05 00 02 FF 00 2D FA"));
        t.click("btnOFF", 8);
        QCOMPARE(t.sent(), hex("01 05 00 07 00 00 7C 0B"));
        t.type("txtAddr", QStringLiteral("57"));
        t.click("btnON", 0);
        QCOMPARE(t.sent(), hex("00 0F 00 00 00 08 01 FF 7F 19"));
        t.click("btnOFF", 0);
        QCOMPARE(t.sent(), hex("00 0F 00 00 00 08 01 00 3F 59"));
        t.click("btnON", 1);
        QCOMPARE(t.sent(), withCrc(hex("39 05 00 00 FF 00")));
        QCOMPARE(t.tx(), Frames::echo(withCrc(hex("39 05 00 00 FF 00"))));
    }

    void clickWhileAReplyIsArrivingDropsThatReply()
    {
        Tester t;
        t.window.Form_Load();
        const ModuleImage module = sampleModule();
        t.window.pollTimer_Timer();
        const QByteArray reply = module.replyTo(t.sent());
        t.comm.inject(reply.left(3));
        t.click("btnON", 2);
        QCOMPARE(t.rx(), QString()); // cleared by the send
        t.comm.inject(reply.mid(3));
        QCOMPARE(t.rx(), Frames::echo(reply.mid(3)));
        QCOMPARE(t.window.master().RxState.Count, 0);     // the framer finished the reply
        t.comm.inject(withCrc(hex("01 05 00 01 FF 00"))); // the write's echo, framed whole
        QCOMPARE(t.window.master().RxState.Count, 0);
        t.window.pollTimer_Timer();
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("RRRRRRRR"));
    }

    void addressChangeBetweenTicks()
    {
        Tester t;
        t.window.Form_Load();
        ModuleImage oldModule = sampleModule();
        ModuleImage newModule;
        newModule.address = 2;
        newModule.coils = {false, true, false, false, false, false, false, false};

        t.window.pollTimer_Timer();
        t.sent();
        t.type("txtAddr", QStringLiteral("2"));
        t.comm.inject(oldModule.replyTo(hex("01 01 00 00 00 08 3D CC"))); // late, from address 1
        t.window.pollTimer_Timer();                                       // registers, to 2
        QCOMPARE(t.sent(), withCrc(hex("02 03 00 00 00 0B")));
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("RRRRRRRR"));

        tickAnswered(t, newModule); // coils from 2
        t.window.pollTimer_Timer();
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("RGRRRRRR"));
    }

    void replyLaterThanTheNextTickIsDropped()
    {
        Tester t;
        t.window.Form_Load();
        const ModuleImage module = sampleModule();
        for (int tick = 0; tick < 4; ++tick) {
            t.window.pollTimer_Timer();
            const QByteArray reply = module.replyTo(t.sent());
            t.window.pollTimer_Timer(); // the next request goes out first
            t.comm.inject(reply);
            QCOMPARE(t.rx(), Frames::echo(reply)); // still echoed
            t.sent();
        }
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("RRRRRRRR"));
        QCOMPARE(t.lamps("Shape2", 1, 4), QStringLiteral("RRRR"));
        QCOMPARE(t.analog(0), QStringLiteral("0"));
    }

    void untickingPollStopsAndKeepsThePhase()
    {
        Tester t;
        t.window.Form_Load();
        const ModuleImage module = sampleModule();
        t.window.pollTimer_Timer(); // coils requested
        const QByteArray reply = module.replyTo(t.sent());
        QTest::mouseClick(t.child<QCheckBox>("chkPoll"), Qt::LeftButton, {},
                          QPoint(5, t.child<QCheckBox>("chkPoll")->height() / 2));
        QVERIFY(!t.child<QCheckBox>("chkPoll")->isChecked());
        t.comm.inject(reply); // a late reply is still decoded
        t.window.pollTimer_Timer();
        t.window.pollTimer_Timer();
        QVERIFY(t.sent().isEmpty());
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("RRRRRRRR"));

        t.child<QCheckBox>("chkPoll")->setChecked(true);
        t.window.pollTimer_Timer(); // resumes with the registers
        QCOMPARE(t.sent(), hex("01 03 00 00 00 0B 04 0D"));
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("GRGRRRRG"));
    }

    void unexpectedResponseBoxesNeverStackAndLoseNothing()
    {
        Tester t;
        t.window.Form_Load();
        const ModuleImage module = sampleModule();
        const QByteArray wrongCount = withCrc(hex("01 01 02 05 00"));
        const QByteArray good = module.replyTo(hex("01 01 00 00 00 08 3D CC"));
        BoxCatcher catcher(&t.window);
        bool injected = false;
        catcher.whileOpen = [&] {
            if (!injected) {
                injected = true;
                t.comm.inject(wrongCount + good);
            }
        };
        t.window.pollTimer_Timer();
        t.sent();
        t.comm.inject(wrongCount);
        QCOMPARE(catcher.boxes.size(), 2);
        QCOMPARE(catcher.boxes[0].text, QStringLiteral("Unexpected response"));
        QCOMPARE(catcher.boxes[0].title, QStringLiteral("RZM-530 Tester"));
        QCOMPARE(catcher.maxOpenAtOnce, 1);
        QCOMPARE(t.rx(), Frames::echo(wrongCount + wrongCount + good));
        t.window.pollTimer_Timer();
        QCOMPARE(t.lamps("Shape1", 1, 8), QStringLiteral("GRGRRRRG"));
    }
};

QTEST_MAIN(PollTest)
#include "tst_poll.moc"
