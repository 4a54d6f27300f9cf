#pragma once
// Cuts a MapInfo interchange file into tokens: lines are read ahead one at a
// time into a queue, and each line ends in an end-of-line token that the
// reader can ask to see or to skip.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "platform/BulkMemory.h"
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
    // Bytes of the file after the lines read so far: a bound for counts
    // that the file declares.
    std::size_t RemainingBytes() const { return Lines.Remaining(); }

    // True: end-of-line tokens are skipped; false: GetToken returns them.
    void SetEolTokens(bool skip) { SkipEol = skip; }
    bool EolTokensSkipped() const { return SkipEol; }

    // The next token; '' once at the end of the file, which closes it. Asked
    // again with nothing put back, it raises EInOutError. A token is a view
    // of the file's text, valid until CloseTokenFile or the next
    // OpenTokenFile: a file of millions of coordinates costs no string each.
    std::string_view GetToken();
    // GetToken; '' raises QMError "Unexpected EOF. File %s, line %d".
    std::string_view NeedToken();
    // Puts a token back at the front of the queue ('' too). A text that is
    // not a token of this file is copied.
    void UngetToken(std::string_view token);

private:
    // Reads lines until one gives tokens; false at the end of the file.
    bool ReadAhead();
    // True for a view of the file's bytes (or '' or the end-of-line
    // token), which lives as long as the file is open.
    bool IsOwnText(std::string_view token) const;

    std::string FileName;
    TBulkVector<char> Bytes;
    TTextLineCursor Lines;
    // Lines that are not UTF-8, decoded; a deque keeps their addresses.
    std::deque<std::string> Decoded;
    // Texts put back that were no views of the file's bytes.
    std::deque<std::string> PutBack;
    bool IsOpen = false;
    std::int32_t LineNo = 0;
    std::deque<std::string_view> Queue;
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
