// The line monitor's verdict and meaning table.
#include "Checks.h"
#include "Exchange.h"
#include "LineVectors.h"
#include "Words.h"

using namespace std::chrono_literals;

void lineChecks(Checks &checks)
{
    const line::Time t0 = line::Time() + 1h;
    for (const LineVector &v : LineVectors) {
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
    }
}
