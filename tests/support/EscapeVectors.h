#pragma once

// Text as the CSV log, the JSON report and the HTML report must write it. UTF-8 passes through
// all three as it is.
struct EscapeVector {
    const char *name;
    const char *text;
    const char *csv;
    const char *json; // quotes included
    const char *html;
};

inline const EscapeVector EscapeVectors[] = {
    {"plain", "Read Coils 0-7", "Read Coils 0-7", "\"Read Coils 0-7\"", "Read Coils 0-7"},
    {"comma", "on, off", "\"on, off\"", "\"on, off\"", "on, off"},
    {"quote", "5\" relay", "\"5\"\" relay\"", "\"5\\\" relay\"", "5&quot; relay"},
    {"ampersand and angles", "A & <B>", "A & <B>", "\"A & <B>\"", "A &amp; &lt;B&gt;"},
    {"line end", "one\r\ntwo", "\"one\r\ntwo\"", "\"one\\r\\ntwo\"", "one\r\ntwo"},
    {"operator's name", "O'Neil \"Jo\" \\ <b>\t\x01 \xC3\x9Cnal",
     "\"O'Neil \"\"Jo\"\" \\ <b>\t\x01 \xC3\x9Cnal\"",
     "\"O'Neil \\\"Jo\\\" \\\\ <b>\\t\\u0001 \xC3\x9Cnal\"",
     "O&#39;Neil &quot;Jo&quot; \\ &lt;b&gt;\t\x01 \xC3\x9Cnal"},
    // A spreadsheet runs what begins like a formula; a quote before it makes it text.
    {"formula", "=1+2", "'=1+2", "\"=1+2\"", "=1+2"},
    {"formula with a comma", "@SUM(A1,A2)", "\"'@SUM(A1,A2)\"", "\"@SUM(A1,A2)\"", "@SUM(A1,A2)"},
    {"plus, minus", "+1-2", "'+1-2", "\"+1-2\"", "+1-2"},
    {"minus", "-2", "'-2", "\"-2\"", "-2"},
    {"tab", "\tx", "'\tx", "\"\\tx\"", "\tx"},
    {"carriage return", "\rx", "\"'\rx\"", "\"\\rx\"", "\rx"},
};
