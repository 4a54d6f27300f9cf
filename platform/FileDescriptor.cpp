#include "FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileNames.h"
#include "RuntimeErrors.h"

TFileDescriptor::~TFileDescriptor()
{
    if (Fd >= 0) ::close(Fd);
}

TFileDescriptor& TFileDescriptor::operator=(TFileDescriptor&& other) noexcept
{
    if (this != &other) {
        if (Fd >= 0) ::close(Fd);
        Fd = std::exchange(other.Fd, -1);
    }
    return *this;
}

bool TFileDescriptor::Close()
{
    return Fd < 0 || ::close(std::exchange(Fd, -1)) == 0;
}

TOpenedFile OpenRegularFile(const std::string& path, std::uint64_t maxBytes)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer; with it the open
    // returns at once and the kind is checked before any read.
    TOpenedFile file;
    file.Descriptor = TFileDescriptor(::open(ResolveFileCase(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.Descriptor) throw EInOutError("Cannot open file " + path + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(file.Descriptor.Get(), &info) != 0)
        throw EInOutError("Cannot open file " + path + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode)) throw EInOutError("Cannot open file " + path + ": not a regular file");
    file.Size = static_cast<std::uint64_t>(info.st_size);
    if (file.Size > maxBytes) throw EInOutError("File " + path + " is too large");
    // Reads of a regular file wait for the disk as usual.
    int flags = ::fcntl(file.Descriptor.Get(), F_GETFL);
    if (flags >= 0) ::fcntl(file.Descriptor.Get(), F_SETFL, flags & ~O_NONBLOCK);
    return file;
}
