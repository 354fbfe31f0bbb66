#include "ReportHtml.h"

#include "StepSummary.h"
#include "Words.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace records {

using line::dateAndTime;
using line::hex;
using line::meaning;
using line::statusText;
using line::Time;
using line::timeOfDay;
using line::Transaction;
using line::WallClock;
using procedures::Failure;
using procedures::outcomeWord;
using procedures::resultWord;
using procedures::SelfTestReport;
using procedures::StepRecord;
using procedures::StepResult;
using procedures::stepSummary;
using procedures::stepTitle;
using procedures::untestedNote;
using procedures::verdictWord;

namespace {

// So that the page stays one page however many steps failed.
constexpr std::size_t TrafficRowsPerStep = 12;
constexpr std::size_t TrafficRowsInAll = 24;
constexpr std::size_t FailuresPerStep = 4;

constexpr const char *Style = R"(
@page { size: A4; margin: 12mm 14mm; }
body { margin: 0; font: 9.5pt/1.3 "DejaVu Sans", Arial, sans-serif; color: #000; }
h1 { font-size: 15pt; margin: 0 0 2mm 0; }
h2 { font-size: 10.5pt; margin: 4mm 0 1mm 0; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 0.25mm solid #999; padding: 0.5mm 1.5mm; text-align: left; vertical-align: top; }
th { background: #eee; }
table.head th, table.head td { border: none; background: none; padding: 0.3mm 3mm 0.3mm 0; }
table.head th { width: 22mm; }
.verdict { font-size: 36pt; font-weight: bold; text-align: center; border: 0.8mm solid;
           margin: 3mm 0; padding: 1mm 0; }
.verdict .untested { font-size: 14pt; font-weight: normal; }
.pass { color: #060; }
.fail, .error, .aborted { color: #b00; }
.reason { text-align: center; margin: 0 0 3mm 0; }
ul { margin: 0.5mm 0 0 0; padding-left: 4mm; }
table.steps, table.traffic { table-layout: fixed; }
table.traffic { font-size: 7.5pt; }
td.nowrap { white-space: nowrap; }
.hex { font-family: "DejaVu Sans Mono", "Courier New", monospace; }
tr { page-break-inside: avoid; }
)";

std::string clockTime(const WallClock &wallClock, std::optional<Time> t)
{
    return t ? timeOfDay(wallClock(*t)).substr(0, 8) : std::string();
}

std::string cell(const std::string &text, const char *tag = "td", const char *cls = nullptr)
{
    std::string open = std::string("<") + tag;
    if (cls != nullptr)
        open += std::string(" class=\"") + cls + '"';
    return open + '>' + text + "</" + tag + '>';
}

std::string stepRow(const SelfTestReport &report, const StepRecord &step,
                    const WallClock &wallClock)
{
    std::string values = htmlEscaped(stepSummary(report, step.id));
    if (!step.failures.empty()) {
        values += "<ul>";
        const std::size_t shown = std::min(step.failures.size(), FailuresPerStep);
        for (std::size_t i = 0; i < shown; ++i)
            values += "<li>" + htmlEscaped(step.failures[i].reason) + "</li>";
        if (step.failures.size() > shown)
            values += "<li>and " + std::to_string(step.failures.size() - shown) + " more</li>";
        values += "</ul>";
    }
    const char *result = resultWord(step.result);
    const std::string times = step.started() ? clockTime(wallClock, step.started()) + " to " +
                                                   clockTime(wallClock, step.finished())
                                             : std::string();
    return "<tr>" + cell(stepTitle(step.id)) + cell(result, "td", result) + cell(values) +
           cell(times, "td", "nowrap") + "</tr>\n";
}

std::string trafficTable(const StepRecord &step, std::size_t limit, const WallClock &wallClock)
{
    const std::vector<std::size_t> shown = trafficShown(step, limit);
    const bool all = shown.size() == step.traffic.size();
    std::string html = "<h2>" + std::string(stepTitle(step.id)) + ": " +
                       std::to_string(shown.size()) + " of " + std::to_string(step.traffic.size()) +
                       " transactions" + (all ? "" : ", all of them in the JSON report") +
                       "</h2>\n" +
                       "<table class=\"traffic\"><tr><th style=\"width: 18mm\">Time</th>"
                       "<th style=\"width: 42mm\">Request</th><th>Reply</th>"
                       "<th style=\"width: 15mm\">Verdict</th><th style=\"width: 48mm\">Meaning"
                       "</th></tr>\n";
    for (const std::size_t i : shown) {
        const Transaction &t = step.traffic[i];
        html += "<tr>" + cell(timeOfDay(wallClock(t.start))) + cell(hex(t.request()), "td", "hex") +
                cell(hex(t.reply()), "td", "hex") +
                cell(htmlEscaped(statusText(t)), "td", "nowrap") + cell(htmlEscaped(meaning(t))) +
                "</tr>\n";
    }
    return html + "</table>\n";
}

} // namespace

std::string htmlEscaped(const std::string &text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::vector<std::size_t> trafficShown(const StepRecord &step, std::size_t limit)
{
    std::set<std::size_t> evidence;
    for (const Failure &f : step.failures)
        if (f.transaction && *f.transaction < step.traffic.size()) {
            if (*f.transaction > 0)
                evidence.insert(*f.transaction - 1);
            evidence.insert(*f.transaction);
        }
    std::vector<std::size_t> shown(evidence.begin(), evidence.end());
    if (shown.empty())
        for (std::size_t i = step.traffic.size() - std::min(limit, step.traffic.size());
             i < step.traffic.size(); ++i)
            shown.push_back(i);
    shown.resize(std::min(shown.size(), limit));
    return shown;
}

std::string reportHtml(const SelfTestReport &report, const ReportHeader &header,
                       const WallClock &wallClock)
{
    const auto started = report.started();
    const std::string date = started ? dateAndTime(wallClock(*started)).substr(0, 19) + " to " +
                                           clockTime(wallClock, report.finished())
                                     : std::string("-");
    const std::string port = "COM " + std::to_string(header.comNumber) +
                             (header.devicePath.empty() ? "" : " (" + header.devicePath + ")");
    const std::string serial = header.serialNumber.empty() ? "-" : header.serialNumber;
    const std::string outcome = outcomeWord(report.outcome);

    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                       "<title>RZM-530 self-test " +
                       htmlEscaped(serial) + "</title>\n<style>" + Style +
                       "</style></head>\n<body>\n<h1>RZM-530 module self-test</h1>\n";
    html += "<table class=\"head\">\n<tr>" + cell("Date", "th") + cell(date) +
            cell("Tester", "th") + cell(htmlEscaped(header.tester)) + "</tr>\n<tr>" +
            cell("Serial no.", "th") + cell(htmlEscaped(serial)) + cell("Operator", "th") +
            cell(htmlEscaped(header.operatorName)) + "</tr>\n<tr>" + cell("Address", "th") +
            cell(std::to_string(report.address)) + cell("Port", "th") + cell(htmlEscaped(port)) +
            "</tr>\n" +
            (report.fixture.empty()
                 ? std::string()
                 : "<tr>" + cell("Fixture", "th") + cell(htmlEscaped(report.fixture)) + "</tr>\n") +
            "</table>\n";
    const std::string note = untestedNote(report);
    html += "<div class=\"verdict " + outcome + "\">" + verdictWord(report.outcome) +
            (note.empty() ? "" : " <span class=\"untested\">" + htmlEscaped(note) + "</span>") +
            "</div>\n";
    if (!report.reason.empty())
        html += "<p class=\"reason\">" + htmlEscaped(report.reason) + "</p>\n";

    html += "<table class=\"steps\"><tr><th style=\"width: 26mm\">Step</th>"
            "<th style=\"width: 18mm\">Result</th><th>Measured</th>"
            "<th style=\"width: 40mm\">Time</th></tr>\n";
    for (const StepRecord &step : report.steps)
        html += stepRow(report, step, wallClock);
    html += "</table>\n";

    const auto failedSteps = std::size_t(
        std::count_if(report.steps.begin(), report.steps.end(),
                      [](const StepRecord &s) { return s.result == StepResult::Fail; }));
    for (const StepRecord &step : report.steps)
        if (step.result == StepResult::Fail)
            html += trafficTable(step, std::min(TrafficRowsPerStep, TrafficRowsInAll / failedSteps),
                                 wallClock);
    return html + "</body></html>\n";
}

} // namespace records
