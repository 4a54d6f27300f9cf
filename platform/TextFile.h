#pragma once
// Reading and writing whole files. Text inside the system is UTF-8; text that
// is not valid UTF-8 was written on Windows in code page 1251 (Russian names)
// and is decoded from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

bool IsValidUtf8(std::string_view text);
std::string Cp1251ToUtf8(std::string_view text);
// Valid UTF-8 stays as it is; anything else is decoded from Windows-1251.
std::string DecodeText(std::string_view text);
// UTF-8 to Windows-1251 where every character has a code there; characters
// without one become '?'.
std::string Utf8ToCp1251(std::string_view text);

// Splits text into lines on LF, CRLF or a lone CR; a UTF-8 byte-order mark at
// the start is skipped; each line is decoded with DecodeText. A final line
// without a line end counts; a final line end adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);

// The lines of SplitTextLines one at a time, for readers that walk large
// files without holding every line. The text must outlive the cursor.
class TTextLineCursor {
public:
    explicit TTextLineCursor(std::string_view text = {});
    bool AtEnd() const { return Pos >= Text.size(); }
    // Bytes after the lines read so far.
    std::size_t Remaining() const { return AtEnd() ? 0 : Text.size() - Pos; }
    // The next line, decoded; false when no line is left.
    bool NextLine(std::string& line);
    // The next line as the text holds it, not decoded.
    bool NextRawLine(std::string_view& line);

private:
    std::string_view Text;
    std::size_t Pos = 0;
};

// Headers, compositions and palettes are a few kilobytes; a text file larger
// than this is no such file, and is refused before it is read.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t(16) << 20;

// The whole file as bytes; raises EInOutError naming the file when it cannot
// be opened or read, is no regular file (OpenRegularFile), or is larger than
// `maxBytes`. The path goes through ResolveFileCase.
std::string ReadFileBytes(const std::string& path, std::size_t maxBytes = std::size_t(1) << 30);
// ReadFileBytes, capped at kMaxTextFileBytes, then SplitTextLines.
std::vector<std::string> ReadTextLines(const std::string& path);

// Replaces `path` with `bytes` through TAtomicFile: a failed write leaves the
// old file whole. Raises EInOutError.
void WriteFileAtomic(const std::string& path, std::string_view bytes);
