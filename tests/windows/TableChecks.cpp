// The tables the Qt suites use, through the plain layers: the master's frames through its
// builders, framer and decoder; the line monitor's verdicts and meanings; text escaped for the
// CSV log and the reports; fixture files; the trend's CSV (its times by the C runtime's local
// time); the yield per day in fixed-offset zones.
#include "Checks.h"
#include "CsvField.h"
#include "EscapeVectors.h"
#include "Exchange.h"
#include "FixtureVectors.h"
#include "Json.h"
#include "LineVectors.h"
#include "MasterVectors.h"
#include "MemoryLink.h"
#include "ReportHtml.h"
#include "TrendVectors.h"
#include "Words.h"
#include "YieldVectors.h"

using namespace std::chrono_literals;

void tableChecks(Checks &checks)
{
    for (const RequestVector &v : requestVectors())
        checks.run(std::string("request: ") + v.name, [&](Checks &c) {
            MemoryLink link;
            modbus::ModbusMaster m(link);
            v.request(m);
            c.equal("on the wire", echoOf(Bytes(link.written.begin(), link.written.end())),
                    echoOf(v.frame));
            c.equal("TX box", link.tx, echoOf(v.frame));
        });
    for (const ReplyVector &v : replyVectors())
        checks.run(std::string("reply: ") + v.name, [&](Checks &c) {
            MemoryLink link;
            modbus::ModbusMaster m(link);
            v.request(m);
            link.queue(v.bytes);
            m.ReceiveBytes(m.LastRequest.Address);
            c.equal("image", imageOf(m), v.image);
            c.equal("RX box", link.rx, echoOf(v.bytes));
            c.that("the framer is left empty", m.RxState.Count == 0);
        });
    const line::Time t0 = line::Time() + 1h;
    for (const LineVector &v : LineVectors)
        checks.run(std::string("line: ") + v.name, [&](Checks &c) {
            line::LineMonitor m;
            exchange(m, t0, bytesOf(v.request), bytesOf(v.reply));
            m.advance(t0 + 2s);
            c.that("one transaction", m.traffic().size() == 1);
            if (m.traffic().empty())
                return;
            const line::Transaction &t = m.traffic().newest();
            c.equal("request", line::hex(t.request()), v.request);
            c.equal("reply", line::hex(t.reply()), v.reply);
            c.equal("verdict", line::verdictText(t), v.verdict);
            c.equal("meaning", line::meaning(t), v.meaning);
        });
    for (const EscapeVector &v : EscapeVectors)
        checks.run(std::string("escaping: ") + v.name, [&](Checks &c) {
            c.equal("CSV", line::csvField(v.text), v.csv);
            c.equal("JSON", records::jsonString(v.text), v.json);
            c.equal("HTML", records::htmlEscaped(v.text), v.html);
        });
    for (const FixtureVector &v : FixtureVectors)
        checks.run(std::string("fixture: ") + v.name, [&](Checks &c) {
            c.equal("outcome", fixtureOutcome(procedures::parseFixture(v.text, "fixture.ini")),
                    v.outcome);
        });
    for (const TrendVector &v : TrendVectors)
        checks.run(std::string("trend CSV: ") + v.name, [&](Checks &c) {
            useZone("UTC0");
            c.equal("csv", trendvectors::csvOf(v), figures::trendCsvHeader() + v.rows);
        });
    for (const YieldVector &v : YieldVectors)
        checks.run(std::string("yield: ") + v.name, [&](Checks &c) {
            useZone(v.zone);
            const std::vector<std::string> days = yieldDays(v);
            c.equal("days", std::to_string(days.size()), std::to_string(v.days.size()));
            for (std::size_t i = 0; i < days.size() && i < v.days.size(); ++i)
                c.equal("day " + std::to_string(i + 1), days[i], v.days[i]);
        });
}
