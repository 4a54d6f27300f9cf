#include "calculator/KGridText.h"

#include <algorithm>

namespace {

bool IsBlankOrControl(unsigned char c) { return c >= 1 && c <= 32; }

bool NeedsQuotes(std::string_view line)
{
    return std::any_of(line.begin(), line.end(), [](char c) {
        return IsBlankOrControl(static_cast<unsigned char>(c)) || c == '"' || c == ',';
    });
}

void AppendItem(std::string& out, std::string_view line)
{
    if (!NeedsQuotes(line)) {
        out += line;
        return;
    }
    out += '"';
    for (char c : line) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A line break is CR, LF or the pair CR LF; each one becomes a comma, so a
// text that ends in a break ends in a comma.
std::string LinesToCommaText(std::string_view text)
{
    std::string out;
    std::size_t start = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        char c = text[pos];
        if (c != '\r' && c != '\n') {
            ++pos;
            continue;
        }
        AppendItem(out, text.substr(start, pos - start));
        out += ',';
        pos += (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
        start = pos;
    }
    if (start < text.size())
        AppendItem(out, text.substr(start));
    return out;
}

// Every step consumes at least one character: a NUL ends the text, and a
// quoted item without its closing quote ends with the text.
std::string CommaTextToLines(std::string_view text)
{
    std::string out;
    std::size_t pos = 0;
    auto atEnd = [&] { return pos >= text.size() || text[pos] == '\0'; };
    auto skipBlanks = [&] {
        while (!atEnd() && IsBlankOrControl(static_cast<unsigned char>(text[pos])))
            ++pos;
    };

    skipBlanks();
    while (!atEnd()) {
        if (text[pos] == '"') {
            ++pos;
            while (!atEnd()) {
                if (text[pos] == '"') {
                    if (pos + 1 < text.size() && text[pos + 1] == '"') {
                        out += '"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                out += text[pos++];
            }
        } else {
            while (!atEnd() && static_cast<unsigned char>(text[pos]) > 32 && text[pos] != ',')
                out += text[pos++];
        }
        skipBlanks();
        if (!atEnd() && text[pos] == ',') {
            out += "\r\n";
            ++pos;
            skipBlanks();
        }
    }
    return out;
}

int CompareText(std::string_view a, std::string_view b)
{
    auto upper = [](char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return (u >= 'a' && u <= 'z') ? u - 32 : u;
    };
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        int d = upper(a[i]) - upper(b[i]);
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}
