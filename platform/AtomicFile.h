#pragma once
// Replaces a file so that a failure leaves the old one whole: the new bytes
// go to a temporary file in the folder of the file replaced and are renamed
// over it only when they are all written and, unless TFlush says otherwise,
// on the disk. A symbolic link is written through
// to its target and stays a link; the new file keeps the permission bits of
// the file it replaces (a new file takes the process's umask).
#include <cstddef>
#include <cstdint>
#include <future>
#include <span>
#include <string>
#include <string_view>

#include "FileDescriptor.h"

// Whether Finish waits until the bytes are on the disk. A calculator result
// of hundreds of megabytes would wait longer for the disk than it took to
// compute; it is renamed over the old file once every write has succeeded,
// and the file system orders the data before such a rename. So that the
// rename finds that work done, such a file has the disk start on each part
// as soon as it is written, and the cached pages of the file it replaces
// are given back while it is being written.
enum class TFlush { ToDisk, ByFileSystem };

class TAtomicFile {
public:
    // Creates the temporary file. Every failure raises EInOutError naming
    // `path`.
    explicit TAtomicFile(const std::string& path, TFlush flush = TFlush::ToDisk);
    // Removes the temporary file unless it was committed.
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    void Write(std::span<const std::byte> bytes);
    void Write(std::string_view bytes) { Write(std::as_bytes(std::span(bytes.data(), bytes.size()))); }
    // Flushes the bytes to the disk (with TFlush::ToDisk) and closes the
    // temporary file.
    void Finish();
    // Renames the finished temporary file over the file replaced.
    void Commit();

private:
    [[noreturn]] void Raise(const char* what) const;

    std::string Name;    // as the caller named it, for messages
    std::string Target;  // the file replaced, links followed
    std::string Temp;
    TFileDescriptor File;
    TFlush Flush;
    bool Committed = false;
    std::uint64_t Written = 0;
    std::future<void> OldPagesDropped; // waited for by its destructor too
};
