#include "viewer/IniFile.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/RuntimeErrors.h"
#include "platform/TextFile.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// The profile functions strip one pair of matching outer quotes.
std::string_view Unquote(std::string_view s)
{
    if (s.size() >= 2 && IsQuote(s.front()) && s.back() == s.front()) return s.substr(1, s.size() - 2);
    return s;
}

std::string ValueForWriting(std::string_view value)
{
    std::string v(value);
    std::replace(v.begin(), v.end(), '\r', ' ');
    std::replace(v.begin(), v.end(), '\n', ' ');
    bool needsQuotes = !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()) || std::string_view(Unquote(v)) != v);
    return needsQuotes ? '"' + v + '"' : v;
}

std::string KeyLine(std::string_view key, std::string_view value)
{
    return std::string(key) + "=" + ValueForWriting(value);
}

} // namespace

TIniFile::TIniFile(std::string fileName) : Name(std::move(fileName))
{
    std::string resolved = ResolveFileCase(Name);
    std::error_code ec;
    if (!std::filesystem::exists(resolved, ec)) return;
    Name = resolved;
    Parse(SplitTextLines(ReadFileBytes(resolved, kMaxTextFileBytes)));
}

void TIniFile::Parse(const std::vector<std::string>& lines)
{
    for (const std::string& raw : lines) {
        // The profile functions read a line as a C string: its text ends at
        // a zero byte, and so does every name and value in it.
        std::string_view line = Trim(std::string_view(raw).substr(0, raw.find('\0')));
        if (!line.empty() && line.front() == '[') {
            std::string_view name = line.substr(1);
            std::size_t close = name.find(']');
            if (close != std::string_view::npos) name = name.substr(0, close);
            Sections.push_back({std::string(Trim(name)), raw, {}});
            continue;
        }
        TLine entry;
        entry.Raw = raw;
        std::size_t eq = line.find('=');
        if (!line.empty() && line.front() != ';' && eq != std::string_view::npos) {
            std::string_view key = Trim(line.substr(0, eq));
            if (!key.empty()) {
                entry.IsKey = true;
                entry.Key = std::string(key);
                entry.Value = std::string(Unquote(Trim(line.substr(eq + 1))));
            }
        }
        if (Sections.empty())
            Preamble.push_back(raw);
        else
            Sections.back().Lines.push_back(std::move(entry));
    }
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view section) const
{
    for (const TSection& s : Sections)
        if (SameText(s.Name, section)) return &s;
    return nullptr;
}

TIniFile::TSection* TIniFile::FindSection(std::string_view section)
{
    for (TSection& s : Sections)
        if (SameText(s.Name, section)) return &s;
    return nullptr;
}

const TIniFile::TLine* TIniFile::FindKey(const TSection& section, std::string_view key)
{
    for (const TLine& line : section.Lines)
        if (line.IsKey && SameText(line.Key, key)) return &line;
    return nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    const TSection* s = FindSection(section);
    return s && FindKey(*s, key);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    const TSection* s = FindSection(section);
    const TLine* line = s ? FindKey(*s, key) : nullptr;
    return line ? line->Value : std::string(defaultValue);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const
{
    std::int32_t value = 0;
    return TryStrToInt(ReadString(section, key, ""), value) ? value : defaultValue;
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<std::string> names;
    for (const TSection& s : Sections)
        if (FindSection(s.Name) == &s) names.push_back(s.Name);
    return names;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> keys;
    const TSection* s = FindSection(section);
    if (!s) return keys;
    for (const TLine& line : s->Lines)
        if (line.IsKey && FindKey(*s, line.Key) == &line) keys.push_back(line.Key);
    return keys;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    TSection* s = FindSection(section);
    if (!s) {
        Sections.push_back({std::string(section), "[" + std::string(section) + "]", {}});
        s = &Sections.back();
    }
    TLine updated{true, std::string(key), std::string(Unquote(Trim(ValueForWriting(value)))), KeyLine(key, value)};
    for (TLine& line : s->Lines)
        if (line.IsKey && SameText(line.Key, key)) {
            updated.Key = line.Key; // the file keeps its spelling of the name
            updated.Raw = KeyLine(line.Key, value);
            line = std::move(updated);
            return;
        }
    // New keys go after the last key, before trailing blank lines.
    auto at = s->Lines.end();
    while (at != s->Lines.begin() && !std::prev(at)->IsKey && Trim(std::prev(at)->Raw).empty()) --at;
    s->Lines.insert(at, std::move(updated));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::EraseSection(std::string_view section)
{
    std::erase_if(Sections, [&](const TSection& s) { return SameText(s.Name, section); });
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    for (TSection& s : Sections)
        if (SameText(s.Name, section))
            std::erase_if(s.Lines, [&](const TLine& line) { return line.IsKey && SameText(line.Key, key); });
}

std::string TIniFile::Text() const
{
    std::string text;
    for (const std::string& line : Preamble) text += line + "\r\n";
    for (const TSection& s : Sections) {
        text += s.Raw + "\r\n";
        for (const TLine& line : s.Lines) text += line.Raw + "\r\n";
    }
    return text;
}

void TIniFile::UpdateFile() const { WriteFileAtomic(Name, Text()); }
