#pragma once
// The readers take file names, so each input is written into a folder of the
// fuzzing process's own, removed when the process ends.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

class TFuzzFolder {
public:
    TFuzzFolder()
    {
        Dir = std::filesystem::temp_directory_path() / ("qm-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Dir);
    }
    ~TFuzzFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Dir, ignored);
    }
    std::string Write(const std::string& name, std::string_view bytes) const
    {
        std::string path = (Dir / name).string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) std::abort();
        return path;
    }
    std::string Path(const std::string& name) const { return (Dir / name).string(); }

private:
    std::filesystem::path Dir;
};

inline const TFuzzFolder& FuzzFolder()
{
    static TFuzzFolder folder;
    return folder;
}

inline std::string_view FuzzBytes(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}
