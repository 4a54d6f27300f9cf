#include "geodata/MifToken.h"

#include <functional>

#include "geodata/QMMapDecl.h"
#include "platform/FileByteReader.h"
#include "platform/ParallelFor.h"
#include "platform/RuntimeErrors.h"

namespace {

// Interchange files beyond this size are refused rather than read whole.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t(1) << 30;
// The file is read in slices of at least this size, a few per core.
constexpr std::size_t kReadSlice = std::size_t(1) << 20;

// A tab separates like a blank: files written by other software indent with tabs.
bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '(' || c == ')' || c == ',';
}

// Appends the tokens of one line; quotes stay part of their token and hide
// the separators inside them.
void SplitLine(std::string_view line, std::deque<std::string_view>& out)
{
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsSeparator(line[i]) || line[i] == '\r' || line[i] == '\n') {
            ++i;
            continue;
        }
        std::size_t start = i;
        while (i < line.size() && !IsSeparator(line[i])) {
            char c = line[i++];
            if (c == '"' || c == '\'') {
                while (i < line.size() && line[i] != c) ++i;
                if (i < line.size()) ++i; // the closing quote
            }
        }
        out.emplace_back(line.substr(start, i - start));
    }
}

} // namespace

void TTokenFile::OpenTokenFile(const std::string& fileName)
{
    CloseTokenFile();
    FileName = fileName;
    try {
        TFileByteReader file(fileName);
        if (file.Size() > kMaxFileBytes) throw EInOutError("File " + fileName + " is too large");
        Bytes.resize(static_cast<std::size_t>(file.Size()));
        ParallelSlices(Bytes.size(), kReadSlice, kReadSlice, [&](std::size_t begin, std::size_t end) {
            file.ReadAt(begin, Bytes.data() + begin, end - begin);
        });
    } catch (const EInOutError&) {
        throw QMError("File %s not opened.", fileName.c_str());
    } catch (const EReadPastEnd&) {
        throw QMError("File %s not opened.", fileName.c_str()); // it shrank while read
    }
    Lines = TTextLineCursor(std::string_view(Bytes.data(), Bytes.size()));
    IsOpen = true;
    LineNo = 0;
    SkipEol = true;
}

void TTokenFile::CloseTokenFile()
{
    IsOpen = false;
    Lines = TTextLineCursor();
    Queue.clear();
    Decoded.clear();
    PutBack.clear();
    TBulkVector<char>().swap(Bytes);
}

bool TTokenFile::ReadAhead()
{
    std::string_view line;
    while (Lines.NextRawLine(line)) {
        ++LineNo;
        // Text that is not UTF-8 was written in code page 1251.
        if (!IsValidUtf8(line)) line = Decoded.emplace_back(Cp1251ToUtf8(line));
        std::size_t before = Queue.size();
        SplitLine(line, Queue);
        if (Queue.size() > before) {
            Queue.emplace_back(kEolToken);
            return true;
        }
    }
    return false;
}

std::string_view TTokenFile::GetToken()
{
    for (;;) {
        if (Queue.empty()) {
            if (!IsOpen) throw EInOutError("File not open");
            if (!ReadAhead()) {
                // The end of the file: '' once, then the file counts as
                // closed. Its text stays for the tokens already handed out.
                IsOpen = false;
                return {};
            }
        }
        std::string_view token = Queue.front();
        Queue.pop_front();
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
    return notAfter(Bytes.data(), token.data()) && notAfter(token.data() + token.size(), Bytes.data() + Bytes.size());
}

void TTokenFile::UngetToken(std::string_view token)
{
    if (!IsOwnText(token)) token = PutBack.emplace_back(token);
    Queue.push_front(token);
}
