#pragma once
// Cuts a MapInfo interchange file into tokens: lines are read ahead one at a
// time into a queue, and each line ends in an end-of-line token that the
// reader can ask to see or to skip. The file is read in blocks, so a file of
// hundreds of megabytes is never held whole beside the objects read from it.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TFileByteReader;

// The end-of-line token: one carriage return.
inline constexpr std::string_view kEolToken = "\r";

// True for the characters that part tokens: blanks, tabs, parentheses,
// commas and line ends.
bool IsTokenSeparator(char c);

// Bytes read from the file at a time; a longer line takes a longer block.
inline constexpr std::size_t kTokenBlockBytes = std::size_t(1) << 20;

class TTokenFile {
public:
    explicit TTokenFile(std::size_t blockBytes = kTokenBlockBytes);
    ~TTokenFile();
    TTokenFile(const TTokenFile&) = delete;
    TTokenFile& operator=(const TTokenFile&) = delete;

    // Opens the file: line number 0, an empty queue, end-of-line tokens
    // skipped. Raises QMError "File %s not opened." when it cannot be read.
    void OpenTokenFile(const std::string& fileName);
    // Opens the file at `offset`, the start of a line, as if the `lineNo`
    // lines before it had been read, so that one part of a file can be read
    // apart from the rest.
    void OpenTokenFileAt(const std::string& fileName, std::uint64_t offset, std::int32_t lineNo);
    // Closes the file and forgets the queue.
    void CloseTokenFile();
    const std::string& TokenFileName() const { return FileName; }
    // Lines read so far.
    std::int32_t TokenLineNo() const { return LineNo; }
    // Bytes of the file after the lines read so far: a bound for counts
    // that the file declares.
    std::size_t RemainingBytes() const;
    // The length of the file.
    std::uint64_t FileSize() const { return Size; }

    // True when the next token that GetToken returns is the first of a line
    // (blank lines before it are read): `offset` is where the line starts
    // and `linesBefore` the lines before it. Such a place is where a reader
    // that opens the file there with OpenTokenFileAt finds the same tokens.
    // At the end of the file `offset` is the file's length.
    bool AtLineStart(std::uint64_t& offset, std::int32_t& linesBefore);

    // True: end-of-line tokens are skipped; false: GetToken returns them.
    void SetEolTokens(bool skip) { SkipEol = skip; }
    bool EolTokensSkipped() const { return SkipEol; }

    // The next token; '' once at the end of the file, which closes it. Asked
    // again with nothing put back, it raises EInOutError. A token is a view
    // of the file's text, valid until the next line is read: a file of
    // millions of coordinates costs no string each. Keep a copy of a token
    // that must outlive the tokens after it.
    std::string_view GetToken();
    // GetToken; '' raises QMError "Unexpected EOF. File %s, line %d".
    std::string_view NeedToken();
    // Puts a token back at the front of the queue ('' too). A text that is
    // not a token of this file is copied.
    void UngetToken(std::string_view token);

private:
    // Reads lines until one gives tokens; false at the end of the file.
    bool ReadAhead();
    // The next line as the file holds it, and where it starts; false at the
    // end of the file.
    bool NextRawLine(std::string_view& line, std::uint64_t& lineOffset);
    // Moves the unread rest of the block to its front and reads the next
    // bytes after it; false when the file has no more.
    bool ReadBlock();
    // True for a view of the current line (or '' or the end-of-line token).
    bool IsOwnText(std::string_view token) const;

    std::size_t BlockBytes;
    std::string FileName;
    std::unique_ptr<TFileByteReader> File;
    std::uint64_t Size = 0;
    // The bytes from Block[0] on start at BlockOffset in the file; the
    // unread ones start at Block[Pos].
    std::vector<char> Block;
    std::uint64_t BlockOffset = 0;
    std::size_t Pos = 0;
    // The current line's text, where it was not UTF-8 and was decoded.
    std::string DecodedLine;
    // Texts put back that were no views of the current line.
    std::deque<std::string> PutBack;
    bool IsOpen = false;
    std::int32_t LineNo = 0;
    // The tokens of the current line (and those put back) from Queue[Head] on.
    std::vector<std::string_view> Queue;
    std::size_t Head = 0;
    // The current line: where it starts, and its first token and the
    // queue's length when it was read, to tell whether it is untouched.
    std::uint64_t LineOffset = 0;
    std::string_view LineFirstToken;
    std::size_t LineQueueSize = 0;
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
