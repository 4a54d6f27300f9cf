#pragma once
// An open file descriptor that closes with its owner, and the one way the
// readers open a file: regular files only, with the kind and the size checked
// before a byte is read. A FIFO would block the reader until some writer
// comes, and a device or a folder never ends or never reads.
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

class TFileDescriptor {
public:
    TFileDescriptor() = default;
    explicit TFileDescriptor(int fd) : Fd(fd) {}
    ~TFileDescriptor();
    TFileDescriptor(TFileDescriptor&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept;
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int Get() const { return Fd; }
    explicit operator bool() const { return Fd >= 0; }
    // Hands the descriptor to a new owner (a stdio stream).
    int Release() { return std::exchange(Fd, -1); }
    // Closes now; false when the close reports an error (errno is set).
    bool Close();

private:
    int Fd = -1;
};

struct TOpenedFile {
    TFileDescriptor Descriptor;
    std::uint64_t Size = 0;
};

inline constexpr std::uint64_t kAnyFileSize = std::numeric_limits<std::uint64_t>::max();

// Opens `path` (its letter case resolved) for reading. Raises EInOutError
// naming the file when it cannot be opened, is no regular file, or is larger
// than `maxBytes`.
TOpenedFile OpenRegularFile(const std::string& path, std::uint64_t maxBytes = kAnyFileSize);
