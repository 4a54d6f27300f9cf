#pragma once
// Cuts a MapInfo interchange file into tokens: lines are read ahead one at a
// time into a queue, and each line ends in an end-of-line token that the
// reader can ask to see or to skip.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "platform/TextFile.h"

// The end-of-line token: one carriage return.
inline constexpr std::string_view kEolToken = "\r";

class TTokenFile {
public:
    TTokenFile() = default;
    TTokenFile(const TTokenFile&) = delete;
    TTokenFile& operator=(const TTokenFile&) = delete;

    // Opens the file: line number 0, an empty queue, end-of-line tokens
    // skipped. Raises QMError "File %s not opened." when it cannot be read.
    void OpenTokenFile(const std::string& fileName);
    // Closes the file and forgets the queue.
    void CloseTokenFile();
    const std::string& TokenFileName() const { return FileName; }
    // Lines read so far.
    std::int32_t TokenLineNo() const { return LineNo; }

    // True: end-of-line tokens are skipped; false: GetToken returns them.
    void SetEolTokens(bool skip) { SkipEol = skip; }
    bool EolTokensSkipped() const { return SkipEol; }

    // The next token; '' once at the end of the file, which closes it. Asked
    // again with nothing put back, it raises EInOutError.
    std::string GetToken();
    // GetToken; '' raises QMError "Unexpected EOF. File %s, line %d".
    std::string NeedToken();
    // Puts a token back at the front of the queue ('' too).
    void UngetToken(std::string token);

private:
    // Reads lines until one gives tokens; false at the end of the file.
    bool ReadAhead();

    std::string FileName;
    std::string Bytes;
    TTextLineCursor Lines;
    bool IsOpen = false;
    std::int32_t LineNo = 0;
    std::deque<std::string> Queue;
    bool SkipEol = true;
};

// Returns end-of-line tokens for its lifetime and restores the previous mode
// when left, also by an exception.
class TEolTokensShown {
public:
    explicit TEolTokensShown(TTokenFile& file) : File(file), Saved(file.EolTokensSkipped())
    {
        File.SetEolTokens(false);
    }
    ~TEolTokensShown() { File.SetEolTokens(Saved); }
    TEolTokensShown(const TEolTokensShown&) = delete;
    TEolTokensShown& operator=(const TEolTokensShown&) = delete;

private:
    TTokenFile& File;
    bool Saved;
};
