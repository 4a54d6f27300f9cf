#include "geodata/MifToken.h"

#include "geodata/QMMapDecl.h"
#include "platform/RuntimeErrors.h"

namespace {

// A tab separates like a blank: files written by other software indent with tabs.
bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '(' || c == ')' || c == ',';
}

// Appends the tokens of one line; quotes stay part of their token and hide
// the separators inside them.
void SplitLine(std::string_view line, std::deque<std::string>& out)
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
        Bytes = ReadFileBytes(fileName);
    } catch (const EInOutError&) {
        throw QMError("File %s not opened.", fileName.c_str());
    }
    Lines = TTextLineCursor(Bytes);
    IsOpen = true;
    LineNo = 0;
    SkipEol = true;
}

void TTokenFile::CloseTokenFile()
{
    IsOpen = false;
    Lines = TTextLineCursor();
    std::string().swap(Bytes);
    Queue.clear();
}

bool TTokenFile::ReadAhead()
{
    std::string line;
    while (Lines.NextLine(line)) {
        ++LineNo;
        std::size_t before = Queue.size();
        SplitLine(line, Queue);
        if (Queue.size() > before) {
            Queue.emplace_back(kEolToken);
            return true;
        }
    }
    return false;
}

std::string TTokenFile::GetToken()
{
    for (;;) {
        if (Queue.empty()) {
            if (!IsOpen) throw EInOutError("File not open");
            if (!ReadAhead()) {
                // The end of the file: '' once, then the file is closed.
                CloseTokenFile();
                return {};
            }
        }
        std::string token = std::move(Queue.front());
        Queue.pop_front();
        if (token == kEolToken && SkipEol) continue;
        return token;
    }
}

std::string TTokenFile::NeedToken()
{
    std::string token = GetToken();
    if (token.empty()) throw QMError("Unexpected EOF. File %s, line %d", FileName.c_str(), LineNo);
    return token;
}

void TTokenFile::UngetToken(std::string token)
{
    Queue.push_front(std::move(token));
}
