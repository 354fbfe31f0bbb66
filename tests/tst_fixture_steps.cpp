// What a run says it covered: the inputs it left untested, named on the verdict line and
// listed in the JSON, whether nobody was there to switch them or the operator skipped them.
#include "Cases.h"
#include "ReportHtml.h"
#include "ReportJson.h"
#include "StdStringCompare.h"
#include "StepSummary.h"

#include <QtTest>

namespace {

// Each input's result by a letter: p pass, f fail, s skipped, n not run.
struct CoverageCase {
    const char *name;
    line::Outcome outcome;
    const char *digital, *analog;
    const char *verdictLine, *untested; // untested: the JSON's, joined by '|'
};

const CoverageCase CoverageCases[] = {
    {"everything tested", line::Outcome::Pass, "pppp", "ppp", "PASS", ""},
    {"nobody there", line::Outcome::Pass, "nnnn", "nnn",
     "PASS (digital and analog inputs not tested)", "digital|analog"},
    {"one of each skipped", line::Outcome::Pass, "ppps", "pps",
     "PASS (digital input 4 and analog input 3 not tested)", "digital 4|analog 3"},
    {"analog alone", line::Outcome::Fail, "fppp", "nnn", "FAIL (analog inputs not tested)",
     "analog"},
    {"a whole step and some", line::Outcome::Fail, "ssss", "nfn",
     "FAIL (digital inputs and analog inputs 1 and 3 not tested)", "digital|analog 1|analog 3"},
    {"stopped short", line::Outcome::Error, "nnnn", "nnn", "ERROR: no module", ""},
};

line::StepResult resultOf(char letter)
{
    switch (letter) {
    case 'p':
        return line::StepResult::Pass;
    case 'f':
        return line::StepResult::Fail;
    case 's':
        return line::StepResult::Skipped;
    default:
        return line::StepResult::NotRun;
    }
}

} // namespace

class FixtureStepsTest : public QObject {
    Q_OBJECT
private slots:
    void verdictSaysWhatWasNotTested_data() { addCaseRows(CoverageCases); }
    void verdictSaysWhatWasNotTested()
    {
        const CoverageCase &c = fetchCase(CoverageCases);
        line::SelfTestReport r;
        r.outcome = c.outcome;
        r.reason = c.outcome == line::Outcome::Error ? "no module" : "";
        for (std::size_t i = 0; i < r.digital.size(); ++i)
            r.digital[i].result = resultOf(c.digital[i]);
        for (std::size_t i = 0; i < r.analog.size(); ++i)
            r.analog[i].result = resultOf(c.analog[i]);
        QCOMPARE(line::verdictLine(r), std::string(c.verdictLine));

        const line::WallClock wall = [](line::Time) { return line::WallTime(); };
        const QJsonObject json =
            QJsonDocument::fromJson(QByteArray::fromStdString(line::reportJson(r, {}, wall)))
                .object();
        QCOMPARE(json["untested"].toVariant().toStringList().join('|'), c.untested);
        const std::string html = line::reportHtml(r, {}, wall);
        const std::string note = line::untestedNote(r);
        QCOMPARE(html.find("<span class=\"untested\">" + note) != std::string::npos, !note.empty());
    }
};

QTEST_APPLESS_MAIN(FixtureStepsTest)
#include "tst_fixture_steps.moc"
