// Text in the CSV log and the JSON and HTML reports.
#include "Checks.h"
#include "CsvField.h"
#include "EscapeVectors.h"
#include "Json.h"
#include "ReportHtml.h"

void escapeChecks(Checks &checks)
{
    for (const EscapeVector &v : EscapeVectors) {
        checks.run(std::string("escaping: ") + v.name, [&](Checks &c) {
            c.equal("CSV", line::csvField(v.text), v.csv);
            c.equal("JSON", line::jsonString(v.text), v.json);
            c.equal("HTML", line::htmlEscaped(v.text), v.html);
        });
    }
}
