#include "geodata/MifToken.h"

#include <algorithm>
#include <array>
#include <functional>

#include "geodata/QMMapDecl.h"
#include "platform/FileByteReader.h"
#include "platform/RuntimeErrors.h"
#include "platform/TextFile.h"

namespace {

// Interchange files beyond this size are refused: their objects would not
// fit in the memory of the machines the viewer runs on.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t(1) << 30;

// What a character is to the splitting of a line. A tab separates like a
// blank: files written by other software indent with tabs. Line ends never
// reach the splitting but for the last line's, which are passed over.
enum : std::uint8_t { kTokenChar, kSeparator, kQuote };
constexpr std::array<std::uint8_t, 256> kCharClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    for (unsigned char c : std::string_view(" \t(),\r\n")) classes[c] = kSeparator;
    classes['"'] = classes['\''] = kQuote;
    return classes;
}();

std::uint8_t CharClass(char c)
{
    return kCharClasses[static_cast<unsigned char>(c)];
}

// Appends the tokens of one line; quotes stay part of their token and hide
// the separators inside them.
void SplitLine(std::string_view line, std::vector<std::string_view>& out)
{
    std::size_t i = 0;
    while (i < line.size()) {
        if (CharClass(line[i]) == kSeparator) {
            ++i;
            continue;
        }
        std::size_t start = i;
        for (std::uint8_t charClass; i < line.size() && (charClass = CharClass(line[i])) != kSeparator;) {
            char c = line[i++];
            if (charClass == kQuote) {
                std::size_t closing = line.find(c, i);
                i = closing == std::string_view::npos ? line.size() : closing + 1;
            }
        }
        out.emplace_back(line.substr(start, i - start));
    }
}

} // namespace

bool IsTokenSeparator(char c)
{
    return CharClass(c) == kSeparator;
}

TTokenFile::TTokenFile(std::size_t blockBytes) : BlockBytes(std::max<std::size_t>(blockBytes, 4)) {}

TTokenFile::~TTokenFile() = default;

void TTokenFile::OpenTokenFile(const std::string& fileName)
{
    OpenTokenFileAt(fileName, 0, 0);
}

void TTokenFile::OpenTokenFileAt(const std::string& fileName, std::uint64_t offset, std::int32_t lineNo)
{
    CloseTokenFile();
    FileName = fileName;
    try {
        File = std::make_unique<TFileByteReader>(fileName);
        if (File->Size() > kMaxFileBytes) throw EInOutError("File " + fileName + " is too large");
        Size = File->Size();
        BlockOffset = std::min(offset, Size);
        ReadBlock();
    } catch (const EInOutError&) {
        File.reset();
        throw QMError("File %s not opened.", fileName.c_str());
    }
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (BlockOffset == 0 && std::string_view(Block.data(), Block.size()).substr(0, 3) == kByteOrderMark) Pos = 3;
    IsOpen = true;
    LineNo = lineNo;
    SkipEol = true;
}

void TTokenFile::CloseTokenFile()
{
    IsOpen = false;
    File.reset();
    Queue.clear();
    Head = 0;
    PutBack.clear();
    DecodedLine.clear();
    std::vector<char>().swap(Block);
    BlockOffset = 0;
    Pos = 0;
    LineFirstToken = {};
    LineQueueSize = 0;
}

std::size_t TTokenFile::RemainingBytes() const
{
    std::uint64_t read = BlockOffset + Pos;
    return read < Size ? static_cast<std::size_t>(Size - read) : 0;
}

bool TTokenFile::ReadBlock()
{
    const std::uint64_t next = BlockOffset + Block.size();
    if (!File || next >= Size) return false;
    const std::size_t rest = Block.size() - Pos;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(BlockBytes, Size - next));
    std::copy(Block.begin() + static_cast<std::ptrdiff_t>(Pos), Block.end(), Block.begin());
    BlockOffset += Pos;
    Pos = 0;
    Block.resize(rest + count);
    try {
        File->ReadAt(next, Block.data() + rest, count);
    } catch (const EReadPastEnd&) {
        throw EInOutError("File " + FileName + " shrank while it was read");
    }
    return true;
}

// Lines end in LF, CRLF or a lone CR, as TTextLineCursor reads them.
bool TTokenFile::NextRawLine(std::string_view& line, std::uint64_t& lineOffset)
{
    std::size_t searched = Pos;
    for (;;) {
        const std::size_t end = std::find_if(Block.begin() + static_cast<std::ptrdiff_t>(searched), Block.end(),
                                             [](char c) { return c == '\n' || c == '\r'; }) - Block.begin();
        // A CR at the end of the block may be the first half of a CRLF.
        const bool complete = end + 1 < Block.size() || (end < Block.size() && Block[end] == '\n');
        if (!complete) {
            const std::size_t moved = Pos;
            if (ReadBlock()) {
                searched = end - moved;
                continue;
            }
            if (Pos >= Block.size()) return false;
        }
        line = std::string_view(Block.data() + Pos, std::min(end, Block.size()) - Pos);
        lineOffset = BlockOffset + Pos;
        Pos = std::min(end, Block.size());
        if (Pos < Block.size()) {
            if (Block[Pos] == '\r' && Pos + 1 < Block.size() && Block[Pos + 1] == '\n') ++Pos;
            ++Pos;
        }
        return true;
    }
}

bool TTokenFile::ReadAhead()
{
    std::string_view line;
    std::uint64_t lineOffset = 0;
    // The queue is empty, so nothing refers to the texts put back before.
    if (!PutBack.empty()) PutBack.clear();
    Queue.clear();
    Head = 0;
    while (NextRawLine(line, lineOffset)) {
        ++LineNo;
        // Text that is not UTF-8 was written in code page 1251.
        if (!IsValidUtf8(line)) {
            DecodedLine = Cp1251ToUtf8(line);
            line = DecodedLine;
        }
        SplitLine(line, Queue);
        if (!Queue.empty()) {
            Queue.emplace_back(kEolToken);
            LineOffset = lineOffset;
            LineFirstToken = Queue[0];
            LineQueueSize = Queue.size();
            return true;
        }
    }
    return false;
}

bool TTokenFile::AtLineStart(std::uint64_t& offset, std::int32_t& linesBefore)
{
    if (SkipEol)
        while (Head < Queue.size() && Queue[Head] == kEolToken) ++Head;
    if (Head == Queue.size() && (!IsOpen || !ReadAhead())) {
        offset = Size;
        linesBefore = LineNo;
        return true;
    }
    const bool untouched = Head == 0 && Queue.size() == LineQueueSize && Queue[0].data() == LineFirstToken.data() &&
                           Queue[0].size() == LineFirstToken.size();
    if (!untouched) return false;
    offset = LineOffset;
    linesBefore = LineNo - 1;
    return true;
}

std::string_view TTokenFile::GetToken()
{
    for (;;) {
        if (Head == Queue.size()) {
            if (!IsOpen) throw EInOutError("File not open");
            if (!ReadAhead()) {
                // The end of the file: '' once, then the file counts as
                // closed. Its text stays for the tokens already handed out.
                IsOpen = false;
                return {};
            }
        }
        std::string_view token = Queue[Head++];
        if (token == kEolToken && SkipEol) continue;
        return token;
    }
}

std::string_view TTokenFile::NeedToken()
{
    std::string_view token = GetToken();
    if (token.empty()) throw QMError("Unexpected EOF. File %s, line %d", FileName.c_str(), LineNo);
    return token;
}

bool TTokenFile::IsOwnText(std::string_view token) const
{
    if (token.empty() || token.data() == kEolToken.data()) return true;
    std::less_equal<const char*> notAfter;
    auto inside = [&](const char* begin, std::size_t size) {
        return notAfter(begin, token.data()) && notAfter(token.data() + token.size(), begin + size);
    };
    return inside(Block.data(), Block.size()) || inside(DecodedLine.data(), DecodedLine.size());
}

void TTokenFile::UngetToken(std::string_view token)
{
    if (!IsOwnText(token)) token = PutBack.emplace_back(token);
    // The slot of a token taken before takes the token put back.
    if (Head > 0) Queue[--Head] = token;
    else Queue.insert(Queue.begin(), token);
}
