#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "RuntimeErrors.h"

namespace fs = std::filesystem;

namespace {

// A link is replaced by writing to what it points to, so that the link and
// whatever else refers to the target see the new bytes.
std::string FollowLinks(const std::string& path)
{
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    fs::path target = fs::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

// A file replaced is worth a thread that gives back its cached pages only
// from this size on.
constexpr off_t kDropCacheFrom = off_t(8) << 20;

// Gives back the cached pages of the file about to be replaced; its bytes on
// the disk stay as they are until the rename. Only a hint, so nothing here
// can fail the write.
void DropCachedPages(const std::string& path)
{
    TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (file && ::fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode))
        ::posix_fadvise(file.Get(), 0, 0, POSIX_FADV_DONTNEED);
}

} // namespace

TAtomicFile::TAtomicFile(const std::string& path, TFlush flush)
    : Name(path), Target(FollowLinks(path)), Flush(flush)
{
    Temp = Target + ".tmp-" + std::to_string(::getpid());
    File = TFileDescriptor(::open(Temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!File) Raise("Cannot create file");
    struct stat old {};
    if (::stat(Target.c_str(), &old) == 0 && S_ISREG(old.st_mode) && ::fchmod(File.Get(), old.st_mode & 07777) != 0) {
        // No destructor runs for an object that was never made.
        int saved = errno;
        ::unlink(Temp.c_str());
        errno = saved;
        Raise("Cannot write file");
    }
    if (Flush == TFlush::ByFileSystem && S_ISREG(old.st_mode) && old.st_size >= kDropCacheFrom) {
        try {
            OldPagesDropped = std::async(std::launch::async, DropCachedPages, Target);
        } catch (const std::system_error&) {
            // No thread to spare: the rename gives the pages back instead.
        }
    }
}

TAtomicFile::~TAtomicFile()
{
    if (!Committed) ::unlink(Temp.c_str());
}

void TAtomicFile::Write(std::span<const std::byte> bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(File.Get(), bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Raise("Cannot write file");
        written += static_cast<std::size_t>(n);
    }
    // The disk starts on this part now (see TFlush); nothing waits for it.
    if (Flush == TFlush::ByFileSystem)
        ::sync_file_range(File.Get(), static_cast<off_t>(Written), static_cast<off_t>(written), SYNC_FILE_RANGE_WRITE);
    Written += written;
}

void TAtomicFile::Finish()
{
    // The descriptor's owner closes it on the way out of a failed flush.
    if ((Flush == TFlush::ToDisk && ::fsync(File.Get()) != 0) || !File.Close()) Raise("Cannot write file");
}

void TAtomicFile::Commit()
{
    if (OldPagesDropped.valid()) OldPagesDropped.wait();
    if (::rename(Temp.c_str(), Target.c_str()) != 0) Raise("Cannot write file");
    Committed = true;
}

void TAtomicFile::Raise(const char* what) const
{
    throw EInOutError(std::string(what) + " " + Name + ": " + std::strerror(errno));
}
