#include "TextFile.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "AtomicFile.h"
#include "FileDescriptor.h"
#include "RuntimeErrors.h"

namespace {

constexpr std::array<std::uint16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

std::uint32_t Cp1251ToCodePoint(unsigned char b)
{
    if (b < 0x80) return b;
    if (b >= 0xC0) return 0x0410u + (b - 0xC0u);
    return kCp1251High[b - 0x80u];
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

[[noreturn]] void RaiseFileError(const char* what, const std::string& path)
{
    throw EInOutError(std::string(what) + " " + path + ": " + std::strerror(errno));
}

} // namespace

bool IsValidUtf8(std::string_view s)
{
    // Eight ASCII bytes at a time: the lines of coordinates that make up
    // most of the large text files hold nothing else.
    std::size_t i = 0;
    for (std::uint64_t word; i + 8 <= s.size(); i += 8) {
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size()) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

std::string Cp1251ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) AppendUtf8(out, Cp1251ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string DecodeText(std::string_view text)
{
    return IsValidUtf8(text) ? std::string(text) : Cp1251ToUtf8(text);
}

std::string Utf8ToCp1251(std::string_view text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = c;
        std::size_t n = 1;
        if (c >= 0xC0 && c < 0xE0 && i + 1 < text.size()) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            n = 2;
        } else if (c >= 0xE0 && c < 0xF0 && i + 2 < text.size()) {
            cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            n = 3;
        } else if (c >= 0xF0) {
            cp = 0xFFFD;
            n = 4;
        }
        i += n;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        char mapped = '?';
        for (unsigned b = 0x80; b <= 0xFF; ++b)
            if (Cp1251ToCodePoint(static_cast<unsigned char>(b)) == cp) {
                mapped = static_cast<char>(b);
                break;
            }
        out += mapped;
    }
    return out;
}

TTextLineCursor::TTextLineCursor(std::string_view text) : Text(text)
{
    if (Text.size() >= 3 && Text.substr(0, 3) == "\xEF\xBB\xBF") Pos = 3;
}

bool TTextLineCursor::NextLine(std::string& line)
{
    std::string_view raw;
    if (!NextRawLine(raw)) return false;
    line = DecodeText(raw);
    return true;
}

bool TTextLineCursor::NextRawLine(std::string_view& line)
{
    if (AtEnd()) return false;
    std::size_t end = Pos;
    while (end < Text.size() && Text[end] != '\n' && Text[end] != '\r') ++end;
    line = Text.substr(Pos, end - Pos);
    Pos = end;
    if (Pos < Text.size()) {
        if (Text[Pos] == '\r' && Pos + 1 < Text.size() && Text[Pos + 1] == '\n') ++Pos;
        ++Pos;
    }
    return true;
}

std::vector<std::string> SplitTextLines(std::string_view text)
{
    std::vector<std::string> lines;
    TTextLineCursor cursor(text);
    std::string line;
    while (cursor.NextLine(line)) lines.push_back(std::move(line));
    return lines;
}

std::string ReadFileBytes(const std::string& path, std::size_t maxBytes)
{
    TOpenedFile file = OpenRegularFile(path, maxBytes);
    std::string data;
    // Reserving the file's size spares the copies and page faults of a
    // growing buffer, which dominate reading large files from the cache.
    data.reserve(static_cast<std::size_t>(file.Size));
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(file.Descriptor.Get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            RaiseFileError("Cannot read file", path);
        }
        if (n == 0) break;
        // The file may grow while it is read.
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) throw EInOutError("File " + path + " is too large");
        data.append(buf, static_cast<std::size_t>(n));
    }
    return data;
}

std::vector<std::string> ReadTextLines(const std::string& path)
{
    return SplitTextLines(ReadFileBytes(path, kMaxTextFileBytes));
}
void WriteFileAtomic(const std::string& path, std::string_view bytes)
{
    TAtomicFile file(path);
    file.Write(bytes);
    file.Finish();
    file.Commit();
}
