#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace procedures {

// Why a file the tester reads (a fixture, a station) is refused: the file as it was named, the
// line (1 up; 0 for the file as a whole) and the reason.
struct FileRefusal {
    std::string file;
    int line = 0;
    std::string reason;

    // "fixture.ini:7: relay 9 is not a relay (1-8)", "fixture.ini: no name in [fixture]".
    std::string text() const;
};

// The INI text the tester's own files are written in: UTF-8 (a byte order mark is let pass),
// one key=value or [section] a line, a line that starts with ; or # a comment. A comment takes
// a whole line, so that a value may hold ; or #. Sections are named in any case; a key=value
// before the first section, or in one the file's kind does not know, refuses the file.
class IniReader {
public:
    virtual ~IniReader() = default;
    // A key=value line in sections[section]; both trimmed. Refuses with refuseIniLine().
    virtual void entry(std::size_t section, std::string_view key, std::string_view value) = 0;
    // After the last line, for what the file as a whole lacks (refused at line 0).
    virtual void end() {}
    // The line being read, for "listed already (line 4)".
    int line() const { return lineNumber; }

private:
    friend std::optional<FileRefusal> readIni(std::string_view, const std::string &,
                                              const std::vector<std::string> &, IniReader &);
    int lineNumber = 0;
};

// Ends the reading of the file at the line being read, with `reason`.
[[noreturn]] void refuseIniLine(std::string reason);

// Reads `text`, the contents of `fileName`, into `reader`; the refusal, if any. `sections` in
// lower case, as the refusal of an unknown one lists them.
std::optional<FileRefusal> readIni(std::string_view text, const std::string &fileName,
                                   const std::vector<std::string> &sections, IniReader &reader);

// The bytes of the file at `path` (UTF-8, on Windows too), a `kind` of file ("fixture file"),
// or why it cannot be read: no such file, a folder, unreadable, longer than such a file can be.
struct FileBytes {
    std::string bytes;
    std::optional<FileRefusal> refusal;
};
FileBytes readIniFile(const std::string &path, const std::string &kind);

// What a reader needs of a value: blanks off both ends; ASCII lower case; decimal digits alone
// from `least` to `most`; a value as a reason shows it, a number as it is, anything else in
// quotes, cut short when long.
std::string_view trimmed(std::string_view s);
std::string lowered(std::string_view s);
std::optional<int> number(std::string_view s, int least, int most);
std::string shown(std::string_view s);

} // namespace procedures
