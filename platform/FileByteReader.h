#pragma once
// The one reader of binary files: every read is bounds-checked, and a read
// past the end raises EReadPastEnd, which each format turns into its own
// message. Read from front to back through one fixed buffer, so large files
// are never held whole in memory.
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "FileDescriptor.h"

class EReadPastEnd : public std::exception {
public:
    const char* what() const noexcept override { return "Read past the end of the data"; }
};

class TFileByteReader {
public:
    // Raises EInOutError naming the file when it cannot be opened, is no
    // regular file or is larger than `maxBytes` (OpenRegularFile).
    explicit TFileByteReader(const std::string& path, std::uint64_t maxBytes = kAnyFileSize);
    TFileByteReader(const TFileByteReader&) = delete;
    TFileByteReader& operator=(const TFileByteReader&) = delete;

    std::uint64_t Position() const { return Pos; }
    // Bytes left before the end the file had when it was opened.
    std::uint64_t Remaining() const { return Pos < FileSize ? FileSize - Pos : 0; }

    void Skip(std::uint64_t n);
    // Moves to `offset`, at most Size(): the next read starts there.
    void Seek(std::uint64_t offset);
    std::int32_t ReadI32() { return ReadLE<std::int32_t>(); }
    double ReadF64() { return ReadLE<double>(); }
    // Copies the next n bytes to `out`.
    void ReadBytes(void* out, std::size_t n);

    // The length the file had when it was opened.
    std::uint64_t Size() const { return FileSize; }
    // Copies the n bytes at `offset` to `out`, leaving the position alone.
    // Several threads may read disjoint parts of one file at once. Bytes
    // beyond Size() raise EReadPastEnd.
    void ReadAt(std::uint64_t offset, void* out, std::size_t n) const;

private:
    template <class T>
    T ReadLE()
    {
        static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
        T v;
        ReadBytes(&v, sizeof(T));
        return v;
    }
    // Refills the empty buffer; false at the end of the file.
    bool Fill();
    // Reads into `out` straight from the file; the count actually read.
    std::size_t ReadFile(char* out, std::size_t n);
    // A read failure raises EInOutError naming the file.
    [[noreturn]] void RaiseReadError() const;

    std::string Path;
    TFileDescriptor File;
    std::uint64_t FileSize = 0;
    std::uint64_t Pos = 0;
    std::vector<char> Buffer;
    std::size_t BufferBegin = 0;
    std::size_t BufferEnd = 0;
};
