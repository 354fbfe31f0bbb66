#include "IniText.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>

namespace procedures {

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";
// Far more than any of the tester's files needs; a file this long was named by mistake.
constexpr std::size_t MostFileBytes = 64 * 1024;
constexpr std::size_t MostQuotedBytes = 40;

struct Refused {
    std::string reason;
};

// UTF-8 as it should be: no stray or overlong sequences, no surrogates, nothing past U+10FFFF;
// and no control characters but the tab.
bool isText(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(s[at]); };
        const unsigned char b = byte(i);
        if (b < 0x80) {
            if ((b < 0x20 && b != '\t') || b == 0x7F)
                return false;
            ++i;
            continue;
        }
        const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (length == 0 || b > 0xF4 || b == 0xC0 || b == 0xC1 || i + length > s.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((byte(i + k) & 0xC0) != 0x80)
                return false;
        const unsigned char second = byte(i + 1);
        if ((b == 0xE0 && second < 0xA0) || (b == 0xED && second >= 0xA0) ||
            (b == 0xF0 && second < 0x90) || (b == 0xF4 && second >= 0x90))
            return false;
        i += length;
    }
    return true;
}

bool isDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The section a [section] line names, as an index into `sections`.
std::size_t sectionOf(std::string_view line, const std::vector<std::string> &sections)
{
    if (line.back() != ']')
        refuseIniLine(shown(line) + " is not a [section]");
    const std::string name = lowered(trimmed(line.substr(1, line.size() - 2)));
    const auto found = std::find(sections.begin(), sections.end(), name);
    if (found != sections.end())
        return std::size_t(found - sections.begin());
    std::string known;
    for (const std::string &section : sections)
        known += (known.empty() ? "" : ", ") + section;
    refuseIniLine("unknown section " + shown(line) + " (" + known + ")");
}

FileRefusal refusal(const std::string &file, int line, std::string reason)
{
    return {file, line, std::move(reason)};
}

} // namespace

std::string FileRefusal::text() const
{
    return file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + reason;
}

void refuseIniLine(std::string reason)
{
    throw Refused{std::move(reason)};
}

std::optional<FileRefusal> readIni(std::string_view text, const std::string &fileName,
                                   const std::vector<std::string> &sections, IniReader &reader)
{
    if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF")
        return refusal(fileName, 0, "is UTF-16 text; save it as UTF-8");
    if (text.substr(0, Bom.size()) == Bom)
        text.remove_prefix(Bom.size());
    std::optional<std::size_t> section;
    int &lineNumber = reader.lineNumber;
    lineNumber = 0;
    try {
        while (!text.empty()) {
            const std::size_t end = std::min(text.find('\n'), text.size());
            std::string_view line = text.substr(0, end);
            text.remove_prefix(std::min(end + 1, text.size()));
            ++lineNumber;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (!isText(line))
                refuseIniLine("is not UTF-8 text");
            line = trimmed(line);
            if (line.empty() || line.front() == ';' || line.front() == '#')
                continue;
            if (line.front() == '[') {
                section = sectionOf(line, sections);
                continue;
            }
            const std::size_t equals = line.find('=');
            const std::string_view key = trimmed(line.substr(0, equals));
            if (equals == std::string_view::npos || key.empty())
                refuseIniLine(shown(line) + " is neither key=value nor a [section]");
            if (!section)
                refuseIniLine(shown(line) + " comes before any [section]");
            reader.entry(*section, key, trimmed(line.substr(equals + 1)));
        }
        lineNumber = 0;
        reader.end();
    } catch (const Refused &refused) {
        return refusal(fileName, lineNumber, refused.reason);
    }
    return std::nullopt;
}

FileBytes readIniFile(const std::string &path, const std::string &kind)
{
    namespace fs = std::filesystem;
    const fs::path file = fs::u8path(path);
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        return {{}, refusal(path, 0, "no such file")};
    if (fs::is_directory(status))
        return {{}, refusal(path, 0, "is a folder, not a " + kind)};
    std::ifstream in(file, std::ios::binary);
    std::string text(MostFileBytes + 1, '\0');
    if (in)
        in.read(text.data(), std::streamsize(text.size()));
    if (!in && !in.eof())
        return {{}, refusal(path, 0, "cannot be read")};
    text.resize(std::size_t(in.gcount()));
    if (text.size() > MostFileBytes)
        return {{},
                refusal(path, 0,
                        "is longer than a " + kind + " can be (" +
                            std::to_string(MostFileBytes / 1024) + " KiB)")};
    return {std::move(text), std::nullopt};
}

std::string_view trimmed(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

std::optional<int> number(std::string_view s, int least, int most)
{
    s = trimmed(s);
    if (s.size() > 9 || !isDigits(s))
        return std::nullopt;
    int value = 0;
    std::from_chars(s.data(), s.data() + s.size(), value);
    if (value < least || value > most)
        return std::nullopt;
    return value;
}

std::string shown(std::string_view s)
{
    if (isDigits(s))
        return std::string(s.substr(0, MostQuotedBytes));
    if (s.size() <= MostQuotedBytes)
        return "\"" + std::string(s) + "\"";
    std::size_t cut = MostQuotedBytes;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80)
        --cut;
    return "\"" + std::string(s.substr(0, cut)) + "...\"";
}

} // namespace procedures
