#pragma once
// A folder of its own for one test's files, removed afterwards.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

class TTempFolder {
public:
    TTempFolder()
    {
        static std::atomic<int> serial{0};
        Dir = std::filesystem::temp_directory_path() /
              ("qm-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(Dir);
    }
    ~TTempFolder() { std::filesystem::remove_all(Dir); }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    std::string Path(const std::string& name) const { return (Dir / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(Dir / name, std::ios::binary) << bytes;
        return Path(name);
    }

private:
    std::filesystem::path Dir;
};
