#include "FileByteReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "RuntimeErrors.h"

namespace {

constexpr std::size_t kBufferSize = std::size_t(1) << 16;

} // namespace

TFileByteReader::TFileByteReader(const std::string& path, std::uint64_t maxBytes) : Path(path), Buffer(kBufferSize)
{
    TOpenedFile opened = OpenRegularFile(path, maxBytes);
    File = std::move(opened.Descriptor);
    FileSize = opened.Size;
    ::posix_fadvise(File.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

std::size_t TFileByteReader::ReadFile(char* out, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        ssize_t got = ::read(File.Get(), out + done, n - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) RaiseReadError();
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void TFileByteReader::RaiseReadError() const
{
    throw EInOutError("Cannot read file " + Path + ": " + std::strerror(errno));
}

void TFileByteReader::ReadAt(std::uint64_t offset, void* out, std::size_t n) const
{
    if (offset > FileSize || n > FileSize - offset) throw EReadPastEnd();
    char* to = static_cast<char*>(out);
    while (n > 0) {
        ssize_t got = ::pread(File.Get(), to, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) RaiseReadError();
        if (got == 0) throw EReadPastEnd(); // the file shrank since it was opened
        to += got;
        offset += static_cast<std::uint64_t>(got);
        n -= static_cast<std::size_t>(got);
    }
}

bool TFileByteReader::Fill()
{
    BufferBegin = 0;
    BufferEnd = ReadFile(Buffer.data(), Buffer.size());
    return BufferEnd > 0;
}

void TFileByteReader::ReadBytes(void* out, std::size_t n)
{
    char* to = static_cast<char*>(out);
    while (n > 0) {
        if (BufferBegin == BufferEnd) {
            // Large reads go straight to their destination.
            if (n >= Buffer.size()) {
                std::size_t got = ReadFile(to, n);
                Pos += got;
                if (got < n) throw EReadPastEnd();
                return;
            }
            if (!Fill()) throw EReadPastEnd();
        }
        std::size_t part = std::min(n, BufferEnd - BufferBegin);
        std::memcpy(to, Buffer.data() + BufferBegin, part);
        BufferBegin += part;
        Pos += part;
        to += part;
        n -= part;
    }
}

void TFileByteReader::Seek(std::uint64_t offset)
{
    if (offset > FileSize) throw EReadPastEnd();
    if (::lseek(File.Get(), static_cast<off_t>(offset), SEEK_SET) < 0) RaiseReadError();
    Pos = offset;
    BufferBegin = BufferEnd = 0;
}

void TFileByteReader::Skip(std::uint64_t n)
{
    while (n > 0) {
        if (BufferBegin == BufferEnd && !Fill()) throw EReadPastEnd();
        std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(n, BufferEnd - BufferBegin));
        BufferBegin += part;
        Pos += part;
        n -= part;
    }
}
