#pragma once
// A folder of its own for one test's files, removed with the object. Only the
// standard library: the std-only tests use it as well as the window tests.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>

class TTempFolder {
public:
    TTempFolder()
    {
        // The process id keeps test programs that run at once apart; the
        // serial keeps the folders of one program apart.
        static std::atomic<int> serial{0};
        Dir = std::filesystem::temp_directory_path() /
              ("qm-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
    }
    ~TTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Dir, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // The folder without and with a trailing '/'.
    std::string Root() const { return Dir.string(); }
    std::string Folder() const { return Dir.string() + "/"; }
    std::string Path(const std::string& name) const { return (Dir / name).string(); }
    // Writes the bytes to the named file, making the folders on its way;
    // returns the file's path.
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::filesystem::create_directories((Dir / name).parent_path());
        std::ofstream(Dir / name, std::ios::binary) << bytes;
        return Path(name);
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(Dir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

protected:
    std::filesystem::path Dir;
};
