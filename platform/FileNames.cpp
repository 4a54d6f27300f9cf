#include "FileNames.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

std::size_t LastSeparator(std::string_view name)
{
    for (std::size_t i = name.size(); i > 0; --i)
        if (IsSeparator(name[i - 1])) return i - 1;
    return std::string_view::npos;
}

std::size_t ExtensionStart(std::string_view name)
{
    std::size_t sep = LastSeparator(name);
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::string_view::npos;
    if (sep != std::string_view::npos && dot < sep) return std::string_view::npos;
    return dot;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Exists(const fs::path& p)
{
    std::error_code ec;
    return fs::exists(p, ec);
}

// The entry of `folder` whose name equals `name` ignoring ASCII case, first in
// sorted order; empty when there is none.
std::string MatchInFolder(const fs::path& folder, const std::string& name)
{
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    if (ec) return {};
    std::vector<std::string> matches;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::string entry = it->path().filename().string();
        if (SameText(entry, name)) matches.push_back(entry);
    }
    if (matches.empty()) return {};
    return *std::min_element(matches.begin(), matches.end());
}

} // namespace

std::string ExtractFileExt(std::string_view name)
{
    std::size_t dot = ExtensionStart(name);
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string ChangeFileExt(std::string_view name, std::string_view ext)
{
    std::size_t dot = ExtensionStart(name);
    std::string base(dot == std::string_view::npos ? name : name.substr(0, dot));
    return base + std::string(ext);
}

std::string ExtractFileName(std::string_view name)
{
    std::size_t sep = LastSeparator(name);
    return std::string(sep == std::string_view::npos ? name : name.substr(sep + 1));
}

std::string ExtractFilePath(std::string_view name)
{
    std::size_t sep = LastSeparator(name);
    return sep == std::string_view::npos ? std::string() : std::string(name.substr(0, sep + 1));
}

std::string ExtractFileDir(std::string_view name)
{
    std::size_t sep = LastSeparator(name);
    if (sep == std::string_view::npos) return {};
    if (sep == 0) return std::string(name.substr(0, 1)); // the root keeps its separator
    return std::string(name.substr(0, sep));
}

std::string IncludeTrailingPathDelimiter(std::string_view folder)
{
    std::string s(folder);
    if (!s.empty() && s.back() != '/' && s.back() != '\\') s += '/';
    return s;
}

std::string ToSlashes(std::string_view name)
{
    std::string s(name);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string AsciiLower(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = LowerAscii(c);
    return r;
}

std::string AsciiUpper(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::string ResolveFileCase(const std::string& path)
{
    if (path.empty() || Exists(path)) return path;
    std::string slashed = ToSlashes(path);
    if (Exists(slashed)) return slashed;

    // Walk the components, keeping each one that exists exactly.
    bool absolute = !slashed.empty() && slashed[0] == '/';
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= slashed.size()) {
        std::size_t end = slashed.find('/', start);
        if (end == std::string::npos) end = slashed.size();
        if (end > start) parts.push_back(slashed.substr(start, end - start));
        start = end + 1;
    }
    fs::path current = absolute ? fs::path("/") : fs::path();
    for (const std::string& part : parts) {
        fs::path exact = current / part;
        if (part == "." || part == ".." || Exists(exact)) {
            current = exact;
            continue;
        }
        std::string match = MatchInFolder(current, part);
        if (match.empty()) return path;
        current /= match;
    }
    return current.string();
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(ResolveFileCase(path), ec);
}

bool DirectoryExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(ResolveFileCase(path), ec);
}

std::string ExecutablePath()
{
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

std::string ExecutableFolder()
{
    std::string exe = ExecutablePath();
    return exe.empty() ? std::string("./") : ExtractFilePath(exe);
}
