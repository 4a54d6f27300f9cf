#pragma once
// INI text files as the Windows profile functions treat them: section and
// key names compare without regard to ASCII case, sections stay in file
// order, values are trimmed and lose one pair of outer quotes, a line whose
// first non-blank character is ';' is a comment, '\' is an ordinary
// character, and of two equal keys in a section the first wins (as does the
// first of two equal sections). Lines end in CRLF or LF; a line's text ends
// at a zero byte.
//
// The file is read once when the object is made; changes are kept in memory
// and written by UpdateFile through a temporary file and a rename, so a
// failed write leaves the old file whole. Text is read as UTF-8 (anything
// that is not valid UTF-8 is decoded from Windows-1251) and written as UTF-8
// with CRLF line ends. Comments and unknown sections survive a rewrite.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TIniFile {
public:
    // Reads `fileName` when it exists (its letter case resolved); a missing
    // file reads as empty. A file that exists but cannot be read, is no
    // regular file or is larger than kMaxTextFileBytes raises EInOutError.
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return Name; }

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // Decimal, or hexadecimal after "$"; text that is no integer gives the default.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
    // Section names in file order, each name once.
    std::vector<std::string> ReadSections() const;
    // Key names of a section in file order, each name once.
    std::vector<std::string> ReadSection(std::string_view section) const;

    // Replaces the first value of the key or appends the key to the section,
    // appending the section when there is none. A value that would not read
    // back as written (outer blanks or outer quotes) is put in quotes; line
    // breaks inside it become blanks.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    // Removes every section of that name with its keys.
    void EraseSection(std::string_view section);
    // Removes every line of that key in the section.
    void DeleteKey(std::string_view section, std::string_view key);

    // The whole file as it would be written.
    std::string Text() const;
    // Writes Text() over the file; raises EInOutError, the old file intact.
    void UpdateFile() const;

private:
    // One line of a section: a key with its value, or any other line
    // (comment, blank, text without '=') kept as it stood.
    struct TLine {
        bool IsKey = false;
        std::string Key;
        std::string Value; // as read: trimmed and unquoted
        std::string Raw;   // the line as it stands in the file
    };
    struct TSection {
        std::string Name;
        std::string Raw; // the header line as it stands
        std::vector<TLine> Lines;
    };

    void Parse(const std::vector<std::string>& lines);
    const TSection* FindSection(std::string_view section) const;
    TSection* FindSection(std::string_view section);
    static const TLine* FindKey(const TSection& section, std::string_view key);

    std::string Name;
    std::vector<std::string> Preamble; // lines before the first section
    std::vector<TSection> Sections;
};
