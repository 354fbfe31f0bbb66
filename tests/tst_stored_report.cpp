// A report read back from the JSON the history keeps: each transaction's verdict by the name the
// record keeps, and in reports kept before there was a name, by the words they hold.
#include "Cases.h"
#include "Exchange.h"
#include "ReportJson.h"
#include "StoredReport.h"
#include "Words.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

using line::Verdict;

constexpr const char *ReadCoils = "01 01 00 00 00 08 3D CC";
constexpr const char *BroadcastOff = "00 0F 00 00 00 08 01 00 3F 59";

// A transaction as a report kept it: its bytes, and its verdict in words, by name or both.
struct Kept {
    const char *name;
    const char *request, *reply;
    const char *words;    // "verdict"
    const char *keptName; // "verdict_name"; nullptr: a report from before there was one
    Verdict read;         // what the page is made from
};

const Kept KeptCases[] = {
    // Reports kept before the name: read by their words, an exception's whatever its code.
    {"old: Exception 2", ReadCoils, "01 81 02 C1 91", "Exception 2", nullptr, Verdict::Exception},
    {"old: Unsolicited", "", "01 02", "Unsolicited", nullptr, Verdict::Unsolicited},
    {"old: Port closed", ReadCoils, "01", "Port closed", nullptr, Verdict::PortClosed},
    // The name decides, whatever the words say: they are for people and may change.
    {"name over words", ReadCoils, "01 01", "OK", "cut_short", Verdict::CutShort},
    {"name with new words", ReadCoils, "", "Timed out", "no_reply", Verdict::NoReply},
    {"name of an exception", ReadCoils, "01 81 02 C1 91", "Ausnahme 2", "exception",
     Verdict::Exception},
    // Neither known: the verdict is judged again from the bytes.
    {"unknown name, unknown words", ReadCoils, "01 01 01 85 90 2C", "?", "lost", Verdict::CrcError},
    {"no words at all", ReadCoils, "01 01 01 85 90 2B", nullptr, nullptr, Verdict::Ok},
};

// A whole report as the history keeps one, its relay step failed on one transaction.
QByteArray reportHolding(const Kept &k)
{
    QJsonObject t{{"time", "2026-12-07T15:03:21.042+01:00"},
                  {"request", QString::fromLatin1(k.request)},
                  {"reply", QString::fromLatin1(k.reply)},
                  {"response_ms", QJsonValue::Null}};
    if (k.words)
        t["verdict"] = k.words;
    if (k.keptName)
        t["verdict_name"] = k.keptName;
    QJsonArray steps;
    for (const char *name : {"link", "relays", "digital", "analog"}) {
        QJsonObject step{{"name", name}, {"result", "not run"}};
        if (QLatin1String(name) == QLatin1String("relays")) {
            step["result"] = "fail";
            step["failures"] = QJsonArray{"relay 1: no answer"};
            step["traffic"] = QJsonArray{t};
            step["evidence"] = QJsonArray{0};
        }
        steps.append(step);
    }
    return QJsonDocument(QJsonObject{{"verdict", "fail"}, {"outcome", "fail"}, {"steps", steps}})
        .toJson();
}

} // namespace

class StoredReportTest : public QObject {
    Q_OBJECT

private slots:
    void aTransactionsVerdictIsReadBack_data() { addCaseRows(KeptCases); }
    void aTransactionsVerdictIsReadBack()
    {
        const Kept &k = fetchCase(KeptCases);
        QString error;
        const auto stored = readStoredReport(reportHolding(k), &error);
        QVERIFY2(stored, qPrintable(error));
        const auto &traffic = stored->report.step(procedures::StepId::Relays).traffic;
        QCOMPARE(traffic.size(), std::size_t(1));
        QCOMPARE(QString(line::verdictName(traffic[0].verdict)),
                 QString(line::verdictName(k.read)));
        // An old report's page shows what it first did: an exception with the reply's code.
        if (!k.keptName && k.words)
            QCOMPARE(QString::fromStdString(line::verdictText(traffic[0])), QString(k.words));
    }

    // A report written now keeps every verdict by its name, and reads back as it was written.
    void everyVerdictComesBackAsWritten()
    {
        const line::Time t0 = line::Time() + 1h;
        procedures::SelfTestReport report;
        report.outcome = procedures::Outcome::Fail;
        procedures::StepRecord &relays = report.step(procedures::StepId::Relays);
        relays.result = procedures::StepResult::Fail;
        QStringList written;
        for (int v = 0; v <= int(Verdict::PortClosed); ++v) {
            relays.traffic.push_back(transactionOf(bytesOf(ReadCoils), bytesOf("01 01"), Verdict(v),
                                                   t0 + v * 1s, line::Origin::SelfTest));
            written << line::verdictName(Verdict(v));
        }
        const std::string json = records::reportJson(
            report, {}, [&](line::Time t) { return line::WallTime() + (t - t0); });
        QString error;
        const auto stored = readStoredReport(QByteArray::fromStdString(json), &error);
        QVERIFY2(stored, qPrintable(error));
        QStringList read, kept;
        for (const line::Transaction &t : stored->report.step(procedures::StepId::Relays).traffic)
            read << line::verdictName(t.verdict);
        const QJsonArray traffic = QJsonDocument::fromJson(QByteArray::fromStdString(json))
                                       .object()["steps"][1]["traffic"]
                                       .toArray();
        for (const QJsonValue t : traffic)
            kept << t["verdict_name"].toString();
        QCOMPARE(kept, written);
        QCOMPARE(read, written);
        QCOMPARE(QSet<QString>(written.begin(), written.end()).size(), written.size());
    }
};

QTEST_APPLESS_MAIN(StoredReportTest)
#include "tst_stored_report.moc"
